#pragma once
// QQ_set: the settings dialog's template and texts: resource identifiers (400-449, texts 1100-1199).

#define IDD_QQ_SET 400
#define IDC_QQ_SET_COMMAND1 401  // "腾讯安装路径": page 1
#define IDC_QQ_SET_COMMAND2 402  // "软件启动密码": page 2
#define IDC_QQ_SET_COMMAND3 403  // "浏览"
#define IDC_QQ_SET_COMMAND4 404  // "清除"
#define IDC_QQ_SET_COMMAND5 405  // "检查更新"
#define IDC_QQ_SET_COMMAND6 406  // "确定", the default button
#define IDC_QQ_SET_COMMAND7 407  // "取消", answers Esc
#define IDC_QQ_SET_LABEL1 408
#define IDC_QQ_SET_TEXT1 409  // the QQ client's path
#define IDC_QQ_SET_TEXT2 410  // the new start-up password

#define IDS_QQ_SET_CAPTION 1100         // follows AppTitle: "Kestrin设置程序"
#define IDS_QQ_SET_LABEL1_PAGE1 1101    // "浏览选择QQ文件路径"
#define IDS_QQ_SET_LABEL1_PAGE2 1102    // "修改软件的启动密码"
#define IDS_QQ_SET_BROWSE_TITLE 1103    // the file dialog's title
#define IDS_QQ_SET_BROWSE_FILTER 1104   // the file dialog's filter
#define IDS_QQ_SET_BAD_PATH 1105        // "选择路径不正确"
#define IDS_QQ_SET_CHECK_UPDATES 1106   // Command5's caption
#define IDS_QQ_SET_CHECKING 1107        // Command5's caption while a check runs
#define IDS_QQ_SET_NOT_STORED 1108      // a database write failed
#define IDS_QQ_SET_PLACEHOLDER 1109     // Text2 while the password is being stored
