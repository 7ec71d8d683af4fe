#pragma once
/* Version page (both sheets): 1600-1699 (resource_ids.h). The seven labels are consecutive. */
#include "prnui/pages/resource_ids.h"

#define IDC_VER1 1601
#define IDC_VER7 1607
#define IDC_VER9 1609
