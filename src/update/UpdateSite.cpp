#include "UpdateSite.h"

QString UpdateSite::ProgramVersion()
{
    return QStringLiteral(PICTOFERRY_VERSION);
}
