#include "UploaderFactory.h"

#include "engine/ServerCatalogue.h"
#include "engine/SxcuUploader.h"
#include "engine/UploadEngine.h"
#include "settings/OptionsModule.h"

namespace UploaderFactory
{

QNetworkProxy ProxyOf(const Settings& settings)
{
    bool portOk = false;
    const uint port = settings.ProxyPort.trimmed().toUInt(&portOk);
    if (!settings.UseProxy || settings.ProxyHost.trimmed().isEmpty() || !portOk || port == 0 || port > 65535)
        return QNetworkProxy(QNetworkProxy::NoProxy);
    QNetworkProxy proxy(QNetworkProxy::HttpProxy, settings.ProxyHost.trimmed(), static_cast<quint16>(port));
    if (settings.ProxyAuth) {
        proxy.setUser(settings.ProxyUser);
        proxy.setPassword(settings.ProxyPassword);
    }
    return proxy;
}

Uploader* Create(const QString& programFolder, const Settings& settings, const QString& profileName, QObject* parent,
    SxcuPrompter* prompter)
{
    if (!profileName.isEmpty()
        && ServerCatalogue::KindOf(programFolder, profileName) == ServerCatalogue::ProfileKind::Sxcu) {
        auto* uploader = new SxcuUploader(programFolder, SxcuUploader::DefaultCountdownIntervalMs, parent);
        uploader->setProxy(ProxyOf(settings));
        uploader->setPrompter(prompter);
        return uploader;
    }
    auto* engine = new UploadEngine(programFolder, settings, UploadEngine::DefaultCountdownIntervalMs, parent);
    engine->setPrompter(prompter);
    return engine;
}

} // namespace UploaderFactory
