#!/usr/bin/env bash
# A fresh Wine prefix has no font with Chinese characters, so dialogs in the Chinese
# languages would show boxes. Puts a CJK font into the prefix ($WINEPREFIX) and links it
# behind the dialog fonts.
set -u
ttc=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
[ -f "$ttc" ] || exit 0
[ -n "${WINEPREFIX:-}" ] || exit 0
cp "$ttc" "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || exit 0
link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif" "MS Sans Serif" "Segoe UI" "Arial"; do
  wine reg add "$link" /v "$face" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
for face in "SimSun" "NSimSun" "SimHei" "MingLiU" "PMingLiU" "Microsoft YaHei"; do
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
wineserver -w
