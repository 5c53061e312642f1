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
#include "update/version_file.h"
#include "common/text.h"
#include "win/files.h"
#include "win/res_files.h"
#include "win/resources.h"
#include "win/strings.h"

namespace {

std::string Text(UINT id) {
    return ToUtf8(LoadResString(id));
}

// The version file and its signature exactly as the check read and verified them: what an accepted
// update hands to the updater, whatever the temporary file holds by then.
struct CheckedFile {
    std::string bytes;
    std::string signature;
};

// Writes the updater and starts it. Failures of the writing and the start are not reported: the user
// asked for the update and the program goes on to end.
void HandOverToUpdater(const UpdateCheckData& check, const CheckedFile& checked) {
    Services& services = *check.services;
    const std::string& updater = check.updaterPath;
    (void)WriteResFile(IDR_UPDATER_EXE, L"upexe", ToWide(updater));
    // The version file as checked, for the updater to show and check again.
    const std::wstring handed = ToWide(FolderOfPath(updater) + "\\" + kHandedVersionFileName);
    (void)WriteWholeFile(handed, std::as_bytes(std::span(checked.bytes)));
    (void)WriteWholeFile(handed + L".sig", std::as_bytes(std::span(checked.signature)));
    services.clock->Sleep(100);
    // The exact path: the updater is found as written, never searched for along the command line.
    (void)services.processes->Start(updater, "\"" + updater + "\"");
}

// Reads VersionFile's first line into newestVersion and compares it with appVersion.
VersionCheck ReadVersionFile(UpdateCheckData& check, CheckedFile& checked) {
    const std::wstring path = ToWide(check.versionFile);
    std::optional<std::string> bytes = ReadSmallFile(path, kMaxVersionFileBytes);
    std::optional<std::string> signature = ReadSignatureFor(path);
    // Only bytes our key signed are an answer; the bytes verified are the bytes used and kept.
    if (!bytes || CheckSignedBytes(signature, kVersionFileName, *bytes, TrustedUpdateKeys()) != SignatureCheck::kGood) {
        return kVersionUnreadable;
    }
    checked = {*bytes, *signature};
    return CheckVersionBytes(bytes, check.appVersion, check.newestVersion);
}

}  // namespace

UpdateCheckEnd EvaluateUpdateCheck(UpdateCheckData& check) {
    MessageBoxes& messages = *check.services->messages;
    const std::string notice = Text(IDS_NOTICE_TITLE);
    CheckedFile checked;
    switch (NoticeFor(ReadVersionFile(check, checked), check.source)) {
        case UpdateNotice::kNone:
            break;
        case UpdateNotice::kNetworkError:
            messages.Show(check.owner, Text(IDS_UPDATE_NETWORK_ERROR), notice, kMbOk);
            break;
        case UpdateNotice::kNoUpdate:
            messages.Show(check.owner, Text(IDS_UPDATE_NONE), notice, kMbOk);
            break;
        case UpdateNotice::kOffer: {
            const std::string title = check.appTitle + " " + check.appVersion;
            if (messages.Show(check.owner, Text(IDS_UPDATE_OFFER), title, kMbOkCancel | kMbIconQuestion) == kIdOk) {
                HandOverToUpdater(check, checked);
                return UpdateCheckEnd::kHandedOver;
            }
            break;
        }
    }
    return UpdateCheckEnd::kGoOn;
}
