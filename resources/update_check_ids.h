#pragma once
// The update check's texts: resource identifiers.

#define IDS_UPDATE_NETWORK_ERROR 1450  // "网络错误"
#define IDS_UPDATE_NONE 1451           // "没有可用更新"
#define IDS_UPDATE_OFFER 1452          // "发现新版本，是否立即更新"
