#include "update/update_notice.h"

UpdateNotice NoticeFor(VersionCheck result, int16_t source) {
    switch (result) {
        case kVersionDifferent:
            return UpdateNotice::kOffer;
        case kVersionSame:
            return source == 0 ? UpdateNotice::kNone : UpdateNotice::kNoUpdate;
        default:
            return source == 0 ? UpdateNotice::kNone : UpdateNotice::kNetworkError;
    }
}
