// SPDX-License-Identifier: GPL-3.0-or-later
// The real desktop hand-off, through QDesktopServices.
#include "grideon/desktopshell.h"

#include <QDesktopServices>
#include <QUrl>

namespace grideon {

bool QtDesktopShell::openAddress(const QString &address)
{
    const QUrl url(address, QUrl::StrictMode);
    return url.isValid() && !url.scheme().isEmpty() && QDesktopServices::openUrl(url);
}

} // namespace grideon
