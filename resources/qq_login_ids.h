#pragma once
// QQ_login: the start-up password dialog's template, banner and texts: resource identifiers
// (450-499, texts 1200-1299).

#define IDD_QQ_LOGIN 450
#define IDC_QQ_LOGIN_TEXT1 451     // the password entry
#define IDC_QQ_LOGIN_COMMAND1 452  // "登录", the default button
#define IDC_QQ_LOGIN_COMMAND2 453  // "退出", answers Esc
#define IDC_QQ_LOGIN_LABEL1 454    // the light background panel
#define IDC_QQ_LOGIN_LABEL2 455    // the heading; drag handle
#define IDC_QQ_LOGIN_LABEL3 456    // the message line
#define IDC_QQ_LOGIN_IMAGE1 457    // the banner; drag handle
#define IDC_QQ_LOGIN_LINE1 458     // the frame: top, bottom, left, right
#define IDC_QQ_LOGIN_LINE2 459
#define IDC_QQ_LOGIN_LINE3 460
#define IDC_QQ_LOGIN_LINE4 461

#define IDB_QQ_LOGIN_BANNER 470  // 200 x 28 pixels

#define IDS_QQ_LOGIN_LOCKED 1200    // "未授权用户，请退出"
#define IDS_QQ_LOGIN_NO_ENTRY 1201  // "密码没有输入"
#define IDS_QQ_LOGIN_WRONG 1202     // "密码输入有误"
