#include "platform/linux/MacKeyCodes.h"

#include <utility>

namespace morvanex::platform {
namespace {

// (virtual key code, X11 key symbol); letters and symbols as their unshifted keysyms.
constexpr std::pair<std::uint32_t, std::uint32_t> table[] = {
    {0, 'a'},      {1, 's'},      {2, 'd'},      {3, 'f'},      {4, 'h'},      {5, 'g'},
    {6, 'z'},      {7, 'x'},      {8, 'c'},      {9, 'v'},      {11, 'b'},     {12, 'q'},
    {13, 'w'},     {14, 'e'},     {15, 'r'},     {16, 'y'},     {17, 't'},     {18, '1'},
    {19, '2'},     {20, '3'},     {21, '4'},     {22, '6'},     {23, '5'},     {24, '='},
    {25, '9'},     {26, '7'},     {27, '-'},     {28, '8'},     {29, '0'},     {30, ']'},
    {31, 'o'},     {32, 'u'},     {33, '['},     {34, 'i'},     {35, 'p'},     {36, 0xff0d},
    {37, 'l'},     {38, 'j'},     {39, '\''},    {40, 'k'},     {41, ';'},     {42, '\\'},
    {43, ','},     {44, '/'},     {45, 'n'},     {46, 'm'},     {47, '.'},     {48, 0xff09},
    {49, ' '},     {50, '`'},     {51, 0xff08},  {53, 0xff1b},  {122, 0xffbe}, {120, 0xffbf},
    {99, 0xffc0},  {118, 0xffc1}, {96, 0xffc2},  {97, 0xffc3},  {98, 0xffc4},  {100, 0xffc5},
    {101, 0xffc6}, {109, 0xffc7}, {103, 0xffc8}, {111, 0xffc9}, {105, 0xffca}, {107, 0xffcb},
    {113, 0xffcc}, {115, 0xff50}, {116, 0xff55}, {117, 0xffff}, {119, 0xff57}, {121, 0xff56},
    {123, 0xff51}, {124, 0xff53}, {125, 0xff54}, {126, 0xff52},
};

} // namespace

std::optional<std::uint32_t> keysymForMacKeyCode(std::uint32_t keyCode) {
    for (const auto& [code, keysym] : table) {
        if (code == keyCode)
            return keysym;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> macKeyCodeForKeysym(std::uint32_t keysym) {
    // Upper-case letters name the same keys as lower-case ones.
    if (keysym >= 'A' && keysym <= 'Z')
        keysym += 'a' - 'A';
    for (const auto& [code, sym] : table) {
        if (sym == keysym)
            return code;
    }
    return std::nullopt;
}

} // namespace morvanex::platform
