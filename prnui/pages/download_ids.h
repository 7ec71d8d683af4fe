#pragma once
// Resources of the Download page (1700-1899). #defines only: the resource compiler reads
// this file too.
#include "prnui/pages/resource_ids.h"

#define IDC_DL_FW_GROUP 1701
#define IDC_DL_FW_INFO 1702
#define IDC_DL_FW_PATH 1703
#define IDC_DL_FW_BROWSE 1704
#define IDC_DL_FW_DOWNLOAD 1705

#define IDC_DL_LOGO_GROUP 1710
#define IDC_DL_LIST 1711
#define IDC_DL_ADD 1712
#define IDC_DL_DELETE 1713
#define IDC_DL_DOWNLOADALL 1714
#define IDC_DL_CLEARALL 1715

#define IDC_DL_ORIGINAL 1720
#define IDC_DL_MONO 1721
#define IDC_DL_GRAY 1722

#define IDC_DL_PREVIEW_GROUP 1725
#define IDC_DL_PREVIEW 1726

/* The four halftone radios are consecutive, in method order (None, M3, M4, Diffuse). */
#define IDC_DL_HALFTONE_GROUP 1730
#define IDC_DL_NONE 1731
#define IDC_DL_DITHERM3 1732
#define IDC_DL_DITHERM4 1733
#define IDC_DL_DIFFUSE 1734

#define IDC_DL_CONBRIGHT_GROUP 1740
#define IDC_DL_CONTRAST_LABEL 1741
#define IDC_DL_CONTRAST_VALUE 1742
#define IDC_DL_CONTRAST 1743
#define IDC_DL_BRIGHT_LABEL 1744
#define IDC_DL_BRIGHT_VALUE 1745
#define IDC_DL_BRIGHTNESS 1746

#define IDC_DL_NOTICE 1750
