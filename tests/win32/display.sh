# Sourced by the Windows GUI tests: a display of their own with a window manager (see
# tests/support/x11_display.sh), and the Windows spelling of a Unix path.
source "$(dirname "${BASH_SOURCE[0]}")/../support/x11_display.sh"

# A Unix path as the Windows programs see it.
windowsPath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
