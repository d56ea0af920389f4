#include "Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace
{

Platform::OpenHook& openHook()
{
    static Platform::OpenHook hook;
    return hook;
}

} // namespace

namespace Platform
{

void OpenWithShell(const QString& target)
{
    if (openHook()) {
        openHook()(target);
        return;
    }
    const bool isLocalFile = QFileInfo(target).isAbsolute() && QFileInfo::exists(target);
    QDesktopServices::openUrl(isLocalFile ? QUrl::fromLocalFile(target) : QUrl(target));
}

void SetOpenHook(OpenHook hook)
{
    openHook() = std::move(hook);
}

} // namespace Platform
