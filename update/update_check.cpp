// The end of an update check. The decisions are portable (update/update_notice.h); this file shows
// the messages and hands over to the updater.
#include "update/update_check.h"

#include <windows.h>

#include "resources/resource_ids.h"
#include "update/signed_download.h"
#include "update/site_url.h"
#include "update/small_file.h"
#include "update/trusted_key.h"
#include "update/update_notice.h"
#include "common/text.h"
#include "win/files.h"
#include "win/res_files.h"
#include "win/resources.h"
#include "win/strings.h"

namespace {

std::string Text(UINT id) {
    return ToUtf8(LoadResString(id));
}

// Writes the updater and starts it. Failures of the writing and the start are not reported: the user
// asked for the update and the program goes on to end.
void HandOverToUpdater(MainWindow& main) {
    Services& services = main.AppServices();
    const GlobalSettings& globals = main.Globals();
    const std::string updater = globals.UpdaterPath;
    (void)WriteResFile(IDR_UPDATER_EXE, L"upexe", ToWide(updater));
    // The version file as checked, for the updater to show and check again.
    const std::wstring handed = ToWide(FolderOfPath(updater) + "\\" + kHandedVersionFileName);
    (void)WriteWholeFile(handed, std::as_bytes(std::span(globals.CheckedVersionFile)));
    (void)WriteWholeFile(handed + L".sig", std::as_bytes(std::span(globals.CheckedVersionSignature)));
    services.clock->Sleep(100);
    // The exact path: the updater is found as written, never searched for along the command line.
    (void)services.processes->Start(updater, "\"" + updater + "\"");
}

}  // namespace

VersionCheck ReadVersionFile(GlobalSettings& globals) {
    globals.CheckedVersionFile.clear();
    globals.CheckedVersionSignature.clear();
    const std::wstring path = ToWide(globals.VersionFile);
    std::optional<std::string> bytes = ReadSmallFile(path, kMaxVersionFileBytes);
    std::optional<std::string> signature = ReadSignatureFor(path);
    // Only bytes our key signed are an answer; the bytes verified are the bytes used and kept.
    if (!bytes || CheckSignedBytes(signature, kVersionFileName, *bytes, TrustedUpdateKeys()) != SignatureCheck::kGood) {
        return kVersionUnreadable;
    }
    globals.CheckedVersionFile = *bytes;
    globals.CheckedVersionSignature = *signature;
    return CheckVersionBytes(bytes, globals.AppVersion, globals.NewestVersion);
}

UpdateCheckEnd EvaluateUpdateCheck(MainWindow& main) {
    GlobalSettings& globals = main.Globals();
    MessageBoxes& messages = *main.AppServices().messages;
    const std::string notice = Text(IDS_NOTICE_TITLE);
    switch (NoticeFor(ReadVersionFile(globals), globals.UpdateCheckSource)) {
        case UpdateNotice::kNone:
            break;
        case UpdateNotice::kNetworkError:
            messages.Show(main.Window(), Text(IDS_UPDATE_NETWORK_ERROR), notice, kMbOk);
            break;
        case UpdateNotice::kNoUpdate:
            messages.Show(main.Window(), Text(IDS_UPDATE_NONE), notice, kMbOk);
            break;
        case UpdateNotice::kOffer: {
            const std::string title = globals.AppTitle + " " + globals.AppVersion;
            if (messages.Show(main.Window(), Text(IDS_UPDATE_OFFER), title, kMbOkCancel | kMbIconQuestion) == kIdOk) {
                HandOverToUpdater(main);
                return UpdateCheckEnd::kHandedOver;
            }
            break;
        }
    }
    return UpdateCheckEnd::kGoOn;
}
