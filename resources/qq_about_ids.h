#pragma once
// QQ_about: the about window's template and texts: resource identifiers.
#define IDD_QQ_ABOUT 600
#define IDC_QQ_ABOUT_LABEL1 601
#define IDC_QQ_ABOUT_WEBBROWSER1 602  // the browser's place; the help link takes it without one
#define IDC_QQ_ABOUT_HELPLINK 603     // the help address as a link, where no browser can be shown

#define IDS_QQ_ABOUT_HELP 1400     // " 帮助", after AppTitle and AppVersion in the caption
#define IDS_QQ_ABOUT_CURRENT 1401  // "当前版本： "
#define IDS_QQ_ABOUT_NEWEST 1402   // "      最新版本： "
