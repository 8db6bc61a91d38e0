#include "history/Sqlite.h"

namespace morvanex::sqlite {
namespace {

// SQLite calls the progress handler about once per this many steps.
constexpr int stepsPerCall = 1000;

} // namespace

void CloseConnection::operator()(sqlite3* db) const {
    sqlite3_close_v2(db);
}

void FinalizeStatement::operator()(sqlite3_stmt* statement) const {
    sqlite3_finalize(statement);
}

Connection open(const std::string& path, int flags, int* result) {
    sqlite3* raw = nullptr;
    const int code = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    Connection db(raw);
    if (result != nullptr)
        *result = code;
    if (code != SQLITE_OK)
        db.reset();
    return db;
}

int exec(sqlite3* db, const std::string& sql) {
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

Statement prepare(sqlite3* db, const std::string& sql, int* result) {
    sqlite3_stmt* raw = nullptr;
    const int code = sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr);
    Statement statement(raw);
    if (result != nullptr)
        *result = code;
    if (code != SQLITE_OK)
        statement.reset();
    return statement;
}

StepLimit::StepLimit(sqlite3* db, std::int64_t steps) : db_(db), left_(steps) {
    sqlite3_progress_handler(db_, stepsPerCall, &StepLimit::onProgress, this);
}

StepLimit::~StepLimit() {
    sqlite3_progress_handler(db_, 0, nullptr, nullptr);
}

int StepLimit::onProgress(void* limit) {
    auto* self = static_cast<StepLimit*>(limit);
    self->left_ -= stepsPerCall;
    if (self->left_ < 0)
        self->reached_ = true;
    return self->reached_ ? 1 : 0;
}

} // namespace morvanex::sqlite
