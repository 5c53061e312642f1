#pragma once
// Resource identifiers of Kestrin.exe and update.exe. Window and control IDs follow their names.

#define IDI_KESTRIN 1
#define IDI_STATUS_ONLINE 2     // list image 1: logs in online
#define IDI_STATUS_INVISIBLE 3  // list image 2: logs in invisible

// Custom resources Kestrin carries: the empty account database and the updater's image.
#define IDR_TEMPLATE_DB 124
#define IDR_UPDATER_EXE 125

// QQ_form, the main window, and its controls.
#define IDD_QQ_FORM 200
#define IDC_QQ_FORM_CMD_LOGIN 201
#define IDC_QQ_FORM_LISTVIEW1 202
#define IDC_QQ_FORM_CHECK1 203
#define IDC_QQ_FORM_CHECK2 204
#define IDC_QQ_FORM_LABEL1 205
#define IDC_QQ_FORM_LABEL2 206
#define IDC_QQ_FORM_LABEL3 207
#define IDC_QQ_FORM_LINE1 208
#define IDC_QQ_FORM_LINE2 209

// QQ_form's menu bar and its two pop-up menus (MenuMain and MenuR_Main in one menu resource).
#define IDR_QQ_FORM_MENU 300
#define IDR_QQ_FORM_POPUPS 301
#define IDM_MMOPEN 310
#define IDM_MMSET 311
#define IDM_MMLISTI 312
#define IDM_MMQUIT 313
#define IDM_MMADD 314
#define IDM_MMED 315
#define IDM_MMDEL 316
#define IDM_MMCKALL 317
#define IDM_MMCKNALL 318
#define IDM_MMUP 319
#define IDM_MMURL 320
#define IDM_MMABOUT 321
#define IDM_MENUSHOW 330
#define IDM_MENUURL 331
#define IDM_MENUABOUT 332
#define IDM_MENUUP 333
#define IDM_MENUQUIT 334
#define IDM_MENUR_OPENA 340
#define IDM_MENUR_OPENO 341
#define IDM_MENUR_EDIT 342
#define IDM_MENUR_DEL 343

// Position of the pop-up menus inside IDR_QQ_FORM_POPUPS.
#define QQ_FORM_POPUP_MENUMAIN 0
#define QQ_FORM_POPUP_MENUR_MAIN 1

// Texts of the STRINGTABLE.
#define IDS_ALREADY_RUNNING 1000     // follows AppTitle: "Kestrin已经在运行中"
#define IDS_NOTICE_TITLE 1001        // "提示"
#define IDS_COLUMN_QQ 1002           // "  QQ号码"
#define IDS_COLUMN_LAST_LOGIN 1003   // " 上次登录"
#define IDS_LABEL2_TIP 1004          // "Orvane"
#define IDS_RUN_WRITE_FAILED 1005
#define IDS_RUN_DELETE_FAILED 1006
#define IDS_IMPORT_FILTER 1007       // CommonDialog1's filter

// Each window and module has its own identifiers, in ranges of their own:
//   QQ_set 400-449 and texts 1100-1199; QQ_login 450-499 and texts 1200-1299;
//   QQ_Add 500-599 and texts 1300-1399; QQ_about 600-649 and texts 1400-1449;
//   the update check's texts 1450-1499; the login run's texts 1500-1549;
//   update.exe 700-799 and texts 1600-1699 (resources/update.rc.in).
#include "resources/qq_set_ids.h"
#include "resources/qq_login_ids.h"
#include "resources/qq_add_ids.h"
#include "resources/qq_about_ids.h"
#include "resources/update_check_ids.h"
#include "resources/login_run_ids.h"
