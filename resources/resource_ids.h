#pragma once
// Resource identifiers of Kestrin.exe and update.exe. Window and control IDs follow their names.

#define IDI_KESTRIN 1
#define IDI_STATUS_ONLINE 2     // list image 1: logs in online
#define IDI_STATUS_INVISIBLE 3  // list image 2: logs in invisible

// Custom resources Kestrin carries: the empty account database and the updater's image.
#define IDR_TEMPLATE_DB 124
#define IDR_UPDATER_EXE 125
