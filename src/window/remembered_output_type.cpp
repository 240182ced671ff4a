#include "remembered_output_type.h"

#include <QSettings>

namespace captiloom::window {

using namespace Qt::StringLiterals;

namespace {

constexpr QLatin1StringView organization("Captiloom");
constexpr QLatin1StringView application("captiloom");
constexpr QLatin1StringView key("OutputType");
constexpr QLatin1StringView srt("srt");

// In the platform's own format (the registry on Windows) unless a test has
// chosen a file of its own; named here rather than by the application, whose
// organisation the command line and the benchmarks do not set.
struct UserSettings : QSettings
{
    UserSettings()
        : QSettings(defaultFormat(), UserScope, organization, application)
    { }
};

QString stored()
{
#ifdef Q_OS_WIN
    // Read through the key above: QSettings opens an application's own key
    // for writing, creating it, even to read it, and merely starting the
    // program would leave an empty key behind, after an uninstall too.
    if (QSettings::defaultFormat() == QSettings::NativeFormat) {
        return QSettings(u"HKEY_CURRENT_USER\\Software"_s, QSettings::NativeFormat)
            .value(organization + u'/' + application + u'/' + key)
            .toString();
    }
#endif
    return UserSettings().value(key).toString();
}

} // namespace

conversion::DocumentFormat rememberedOutputFormat()
{
    // In any letter case, as a user editing the file by hand may write it.
    return stored().compare(srt, Qt::CaseInsensitive) == 0 ? conversion::DocumentFormat::Srt
                                                           : conversion::DocumentFormat::Utf;
}

void rememberOutputFormat(conversion::DocumentFormat format)
{
    // A setting that cannot be written is only not remembered: the choice
    // itself holds while the window is open.
    UserSettings().setValue(key, format == conversion::DocumentFormat::Srt ? srt : "utf"_L1);
}

} // namespace captiloom::window
