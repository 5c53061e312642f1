#pragma once
// QQ_Add: the account editor's template, and the texts of deleting and importing: resource identifiers.

#define IDD_QQ_ADD 500
#define IDC_QQ_ADD_FRAME1 501
#define IDC_QQ_ADD_LABEL1 502    // "账号"
#define IDC_QQ_ADD_LABEL2 503    // "密码"
#define IDC_QQ_ADD_LABEL3 504    // "别名"
#define IDC_QQ_ADD_TEXT1 505     // the number
#define IDC_QQ_ADD_TEXT2 506     // the password
#define IDC_QQ_ADD_CHECK3 507    // "开启": the alias box on
#define IDC_QQ_ADD_TEXT3 508     // the alias
#define IDC_QQ_ADD_CHECK1 509    // " 隐身登录"
#define IDC_QQ_ADD_CHECK2 510    // " 连续输入"
#define IDC_QQ_ADD_COMMAND1 511  // "确定"
#define IDC_QQ_ADD_COMMAND2 512  // "取消"
#define IDC_QQ_ADD_LINE1 513

#define IDS_QQ_ADD_EDIT_CAPTION 1300    // "编辑QQ号码"
#define IDS_QQ_ADD_TEXT2_TIP 1301       // "特别加入了防盗控件"
#define IDS_QQ_ADD_TEXT1_EDIT_TIP 1302  // "编辑状态QQ号码不可修改"
#define IDS_QQ_ADD_NOT_SELECTED 1303    // "您还没有选择"
#define IDS_QQ_ADD_ILLEGAL 1304         // "非法操作"
#define IDS_QQ_ADD_INCOMPLETE 1305      // "输入不完整"
#define IDS_QQ_ADD_NUMBER_EXISTS 1306   // "号码已经存在"
#define IDS_QQ_ADD_NUMBER_MISSING 1307  // "此号码不存在"
#define IDS_QQ_ADD_ALIAS_EXISTS 1308    // "别名已经存在"
#define IDS_QQ_ADD_ADDED 1309           // "添加成功"
#define IDS_QQ_ADD_SAVE_FAILED 1310
#define IDS_DELETE_QUESTION 1320  // "确定要继续吗"
#define IDS_DELETE_TITLE 1321     // "警告"
#define IDS_DELETE_FAILED 1322
#define IDS_IMPORT_HINT_LINE1 1330    // "确保文件格式为 "
#define IDS_IMPORT_HINT_LINE2 1331    // "号码[空格]密码 "
#define IDS_IMPORT_HINT_LINE3 1332    // "比如：111 aaa"
#define IDS_IMPORT_DIALOG_TITLE 1333  // "选择要导入的列表文件"
#define IDS_IMPORT_NONE 1334          // "没有数据导入"
#define IDS_IMPORT_DONE_BEFORE 1335   // "成功导入"
#define IDS_IMPORT_DONE_AFTER 1336    // "条数据"
