#!/usr/bin/env bash
# Lets the Wine prefix (WINEPREFIX) draw "微软雅黑", the face the Windows
# program names, with WenQuanYi Micro Hei: Windows has the face, Wine does not.
set -euo pipefail
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '微软雅黑' /t REG_SZ /d 'WenQuanYi Micro Hei' /f \
  >/dev/null 2>&1
