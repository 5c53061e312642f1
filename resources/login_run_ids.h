#pragma once
// The login run's texts: resource identifiers.
#define IDS_LOGIN_NO_ACCOUNTS 1500    // "还没有添加QQ号码"
#define IDS_LOGIN_NO_QQPATH 1501      // "请指定QQ路径"
#define IDS_LOGIN_NONE_TICKED 1502    // "至少选择一个QQ号码"
#define IDS_LOGIN_NONE_SELECTED 1503  // "您还没有选择号码"
#define IDS_LOGIN_FAILURE 1504        // "程序异常错误", captioned with AppTitle
