// The proxy dialog (dialog 111, "ﾌﾟﾛｷｼ設定", 40036).
#pragma once
#include <windows.h>

namespace kv {

// Edits Proxyadr, Proxylst and ProxyIEs. 1 for OK, 2 for Cancel (nothing
// changed). Modal.
int ShowProxyDialog(HWND owner);

}  // namespace kv
