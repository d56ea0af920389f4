#pragma once

#include <QNetworkProxy>
#include <QString>

class QObject;
class SxcuPrompter;
class Uploader;
struct Settings;

// Makes the uploader that a service's profile needs: a ".sxcu" service gets the custom uploader with the
// program's proxy, every other service the script engine.
namespace UploaderFactory
{

// The proxy of the program's settings for Qt Network: an HTTP proxy, with Basic authorization when
// ProxyAuth is set, or no proxy at all.
QNetworkProxy ProxyOf(const Settings& settings);

// A new uploader for the service profileName of the program folder, owned by parent. The settings must
// outlive it. prompter (not owned, may be null: the first choice and the default text) answers
// {select:} and {inputbox:} values.
Uploader* Create(const QString& programFolder, const Settings& settings, const QString& profileName,
    QObject* parent = nullptr, SxcuPrompter* prompter = nullptr);

} // namespace UploaderFactory
