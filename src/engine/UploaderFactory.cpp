#include "UploaderFactory.h"

#include "engine/UploadEngine.h"

namespace UploaderFactory
{

Uploader* Create(const QString& programFolder, const Settings& settings, const QString& profileName, QObject* parent)
{
    Q_UNUSED(profileName)
    return new UploadEngine(programFolder, settings, UploadEngine::DefaultCountdownIntervalMs, parent);
}

} // namespace UploaderFactory
