#pragma once

#include <QString>

class QObject;
class Uploader;
struct Settings;

// Makes the uploader that a service's profile needs. Every service today is a ".serv" script, run by the
// script engine.
namespace UploaderFactory
{

// A new uploader for the service profileName of the program folder, owned by parent. The settings must
// outlive it.
Uploader* Create(
    const QString& programFolder, const Settings& settings, const QString& profileName, QObject* parent = nullptr);

} // namespace UploaderFactory
