#pragma once
// Resource identifiers of the plug-in's pages. Each page owns one range for its dialog
// templates, controls, bitmaps and icons, so that pages written in parallel never
// collide; the first number of a range is the page's main dialog template. Keep this
// file to #defines: the resource compiler reads it too.

// 2: the module's manifest (Common Controls 6), see prnui.rc.

// Shared by all pages (common controls of the sheet code).
#define K20_IDR_SHARED_FIRST 100
#define K20_IDR_SHARED_LAST 999

#define IDD_LAYOUT 1000 /* Layout ("Main"): 1000-1199 */
#define K20_IDR_LAYOUT_LAST 1199
#define IDD_OPERATION 1200 /* Operation and the document-operation dialog: 1200-1399 */
#define K20_IDR_OPERATION_LAST 1399
#define IDD_WATERMARK 1400 /* Watermark: 1400-1599 */
#define K20_IDR_WATERMARK_LAST 1599
#define IDD_VERSION 1600 /* Version (both sheets): 1600-1699 */
#define K20_IDR_VERSION_LAST 1699
#define IDD_DOWNLOAD 1700 /* Download (logos, firmware): 1700-1899 */
#define K20_IDR_DOWNLOAD_LAST 1899
#define IDD_UTILITY 1900 /* Utility (self-test, paper sizes): 1900-2099 */
#define K20_IDR_UTILITY_LAST 2099
#define IDD_FONT 2100 /* Font and the control-font dialogs: 2100-2299 */
#define K20_IDR_FONT_LAST 2299
#define IDD_1DCODE 2300 /* 1D Code: 2300-2499 */
#define K20_IDR_1DCODE_LAST 2499
#define IDD_2DCODE 2500 /* 2D Code: 2500-2699 */
#define K20_IDR_2DCODE_LAST 2699
