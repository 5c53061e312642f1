#include "accounts/account_logic.h"

std::wstring KeepDigits(std::wstring_view text) {
    std::wstring digits;
    for (wchar_t c : text) {
        if (c >= L'0' && c <= L'9') digits.push_back(c);
    }
    return digits;
}

LoginStatus StatusFor(bool invisibleTicked) {
    return invisibleTicked ? LoginStatus::Invisible : LoginStatus::Online;
}

int ImageForStatus(LoginStatus status) {
    return status == LoginStatus::Online ? kImageOnline : kImageInvisible;
}

Result<SaveRefusal> CheckSave(const SaveInput& input, AccountLookups& lookups) {
    if (input.number.empty()) return SaveRefusal::NumberEmpty;
    if (input.passwordEmpty) return SaveRefusal::PasswordEmpty;
    if (input.alias.empty()) return SaveRefusal::AliasEmpty;
    if (input.mode == EditorMode::Add) {
        auto numberFound = lookups.QQExists(input.number);
        if (!numberFound.ok()) return numberFound.status();
        if (*numberFound == 1) return SaveRefusal::NumberExists;
        auto aliasFound = lookups.NameExists(input.alias);
        if (!aliasFound.ok()) return aliasFound.status();
        if (*aliasFound == 1) return SaveRefusal::AliasExists;
        return SaveRefusal::Ok;
    }
    auto numberFound = lookups.QQExists(input.number);
    if (!numberFound.ok()) return numberFound.status();
    if (*numberFound == 0) return SaveRefusal::NumberMissing;
    // An edit may keep its own alias, but taking another account's alias would make a later login
    // or delete by alias reach both accounts.
    auto taken = lookups.AliasUsedByAnotherNumber(input.alias, input.number);
    if (!taken.ok()) return taken.status();
    return *taken ? SaveRefusal::AliasExists : SaveRefusal::Ok;
}
