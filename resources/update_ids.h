#pragma once
// update.exe's resources: the window up_form, its controls and its texts (700-799, texts 1600-1699).

#define IDD_UP_FORM 700
#define IDC_UP_FORM_COMMAND1 701
#define IDC_UP_FORM_COMMAND2 702
#define IDC_UP_FORM_LSTOUT 703

#define IDS_UP_FORM_OK 1600             // "确定": Command1 once the download is complete
#define IDS_UP_NEWEST_PREFIX 1601       // "Kestrin最新版本： "
#define IDS_UP_NOTES_HEADING 1602       // "更新信息："
#define IDS_UP_LOG_CONNECTING 1603      // "正在建立远程连接..."
#define IDS_UP_LOG_CONNECTED 1604       // "成功连接到 " + s_url
#define IDS_UP_LOG_SIZE 1605            // "文件大小为" + size
#define IDS_UP_LOG_TRANSFER 1606        // "开始下载数据..."
#define IDS_UP_LOG_COMPLETE 1607        // "更新包下载完成..."
#define IDS_UP_LOG_FAILED_HTTP 1608     // Failed 1
#define IDS_UP_LOG_FAILED_REDIRECT 1609 // Failed 2
#define IDS_UP_LOG_FAILED_NO_DATA 1610  // Failed 3
#define IDS_UP_LOG_FAILED_SYSTEM 1611   // Failed 99
#define IDS_UP_LOG_FAILED_NO_LENGTH 1612     // Failed 4: no Content-Length
#define IDS_UP_LOG_FAILED_WRONG_LENGTH 1613  // Failed 5: a body not of its stated length, or too large
#define IDS_UP_LOG_VERSION_UNSIGNED 1614     // the version file Kestrin handed over does not verify
#define IDS_UP_LOG_SIG_MISSING 1615          // the program's signature cannot be had or read
#define IDS_UP_LOG_SIG_UNKNOWN_KEY 1616      // signed with a key this build does not trust
#define IDS_UP_LOG_SIG_BAD 1617              // the signature does not verify
#define IDS_UP_LOG_SIG_OTHER_FILE 1618       // a signature of another file
#define IDS_UP_LOG_SIG_MISMATCH 1619         // the program is not the file signed (changed, cut)
#define IDS_UP_LOG_REFUSED 1620              // after any refusal: nothing is started, the download deleted
