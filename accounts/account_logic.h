#pragma once
// The account commands' decisions, free of Win32 so they are tested natively: the number filter,
// the status and its row icon, and the checks a save runs in their fixed order. The statements that
// add, change and delete an account are store/statements.h's.
// Invariants:
//   1. The save checks run in one order and stop at the first that fails; nothing is written by
//      them, and the look-ups leave the connection closed.
//   2. An alias names one account: a save never gives an account an alias that another number
//      already has (every statement that finds an account finds it by its alias).
// Row and image numbers are the list's own (from 0): image 0 is the online icon.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"
#include "common/text.h"       // AllDigits, the number filter
#include "login/login_text.h"  // FormatTimeText, the time text
#include "common/services.h"
#include "store/statements.h"  // LoginStatus

class AccountDb;

constexpr int kImageOnline = 0;     // A_stat 1
constexpr int kImageInvisible = 1;  // A_stat 0
constexpr int kImageNone = -1;

// The number box keeps the ASCII digits of what was typed or pasted, in their order.
std::wstring KeepDigits(std::wstring_view text);

// The status the editor stores: invisible when " 隐身登录" is ticked, else online.
LoginStatus StatusFor(bool invisibleTicked);
// The row icon for a status.
int ImageForStatus(LoginStatus status);

enum class EditorMode { Add, Edit };

struct SaveInput {
    EditorMode mode = EditorMode::Add;
    std::string number;         // Text1, digits only
    std::string alias;          // Text3
    bool passwordEmpty = true;  // the password itself never comes here
};

// Why a save is refused, in the order the checks run; Ok when every check passed.
enum class SaveRefusal {
    Ok,
    NumberEmpty,    // "输入不完整", focus the number
    PasswordEmpty,  // "输入不完整", focus the password
    AliasEmpty,     // "输入不完整", focus the alias
    NumberExists,   // add: "号码已经存在"
    NumberMissing,  // edit: "此号码不存在"
    AliasExists,    // "别名已经存在", the alias box is cleared too
};

// The database answers the checks need; AccountDb gives the real ones (AccountLookupsOf).
class AccountLookups {
  public:
    virtual ~AccountLookups() = default;
    virtual Result<int> QQExists(const std::string& number) = 0;
    virtual Result<int> NameExists(const std::string& alias) = 0;
    // True when a row whose number is not `number` has the alias (compared as the engine compares
    // text: without regard to case).
    virtual Result<bool> AliasUsedByAnotherNumber(const std::string& alias, const std::string& number) = 0;
};

// Runs the checks in order; a failing look-up is returned as its error.
Result<SaveRefusal> CheckSave(const SaveInput& input, AccountLookups& lookups);
