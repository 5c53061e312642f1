// QQ_form: what the settings dialog, the start-up password dialog and the about window are given,
// and what the main window takes back from them.
#include "app/qq_form.h"

#include "about/QQ_about.h"
#include "accounts/qq_add_dialog.h"
#include "settings/qq_login.h"
#include "settings/qq_set.h"

QQ_setData QQ_form::SettingsData() {
    QQ_setData data;
    data.appTitle = globals_.AppTitle;
    data.qqPath = globals_.QQPath;
    data.db = &db_;
    data.services = &services_;
    data.startUpdateCheck = [this] { StartUpdateCheck(2, 4); };
    return data;
}

// QQPath changes only with the stored value: a rejected or unstored path must not reach a login.
void QQ_form::OpenSettings() {
    QQ_setData data = SettingsData();
    if (Dialog_QQ_set(hwnd_, &data)) globals_.QQPath = data.qqPath;
}

QQ_loginData QQ_form::StartupPasswordData() {
    QQ_loginData data;
    data.db = &db_;
    data.services = &services_;
    return data;
}

// The right password starts the automatic check, a little later than without a password.
bool QQ_form::AskStartupPassword() {
    QQ_loginData data = StartupPasswordData();
    if (!Dialog_QQ_login(hwnd_, &data)) return false;
    StartUpdateCheck(0, 6);
    return true;
}

QQ_AddData QQ_form::EditorData() {
    QQ_AddData data;
    data.editAlias = globals_.EditAlias;
    data.db = &db_;
    data.services = &services_;
    data.saves = this;
    return data;
}

// A save or Cancel clears the edit target; the title bar's close leaves it.
void QQ_form::OpenEditor() {
    QQ_AddData data = EditorData();
    Dialog_QQ_Add(hwnd_, &data);
    if (data.end != QQ_AddEnd::kClosed) globals_.EditAlias.clear();
}

QQ_aboutData QQ_form::AboutData() const {
    QQ_aboutData data;
    data.appTitle = globals_.AppTitle;
    data.appVersion = globals_.AppVersion;
    data.newestVersion = globals_.NewestVersion;
    data.helpUrl = globals_.HelpUrl;
    data.urls = services_.urls;
    return data;
}

void QQ_form::OpenAbout() {
    Dialog_QQ_about(hwnd_, AboutData());
}
