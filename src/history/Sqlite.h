#pragma once

#include <cstdint>
#include <memory>
#include <sqlite3.h>
#include <string>

// Owning handles for SQLite's C interface and the two calls every user of it needs.
namespace morvanex::sqlite {

struct CloseConnection {
    void operator()(sqlite3* db) const;
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const;
};

// A database connection, closed when the handle goes.
using Connection = std::unique_ptr<sqlite3, CloseConnection>;
// A prepared statement, finalized when the handle goes. Finalizing also ends any read the
// statement still had open, so a statement that lives only as long as its use never keeps a
// snapshot of a write-ahead-logged database pinned.
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

// Opens `path` with `flags`. SQLite hands back a handle even when opening fails; that one is
// closed here, so a failed open yields an empty handle and its result code in `result`.
Connection open(const std::string& path, int flags, int* result = nullptr);

// Runs statements that return nothing of interest; the result code of the first failure.
int exec(sqlite3* db, const std::string& sql);

// Compiles one statement; an empty handle when it does not compile (code in `result`).
Statement prepare(sqlite3* db, const std::string& sql, int* result = nullptr);

// Bounds the work of the statements run on a connection while it lives: once they have taken
// about `steps` virtual-machine steps in all, the running one fails with SQLITE_INTERRUPT, and
// so does any later one. A schema can hide endless work behind a table's name (a view over a
// recursive query that never ends), and nothing else would ever stop it. One at a time per
// connection; it stays where it was made.
class StepLimit {
public:
    StepLimit(sqlite3* db, std::int64_t steps);
    StepLimit(const StepLimit&) = delete;
    StepLimit& operator=(const StepLimit&) = delete;
    ~StepLimit();

    // Whether the limit stopped a statement.
    bool reached() const { return reached_; }

private:
    static int onProgress(void* limit);

    sqlite3* const db_;
    std::int64_t left_; // steps still allowed, counted in the handler's strides
    bool reached_ = false;
};

// The primary result code, without the extended bits.
inline int primary(int result) {
    return result & 0xff;
}

} // namespace morvanex::sqlite
