#include "platform/desktop.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace platform
{

namespace
{
    class QtDesktop : public Desktop
    {
    public:
        bool open(const QString& fileOrAddress) override
        {
            const QUrl url =
                fileOrAddress.contains("://") ? QUrl(fileOrAddress) : QUrl::fromLocalFile(fileOrAddress);
            return QDesktopServices::openUrl(url);
        }
        bool start(const QString& program, const QStringList& arguments) override
        {
            return QProcess::startDetached(program, arguments);
        }
    };

    Desktop* installed = nullptr;
} // namespace

Desktop& desktop()
{
    static QtDesktop real;
    return installed ? *installed : real;
}

void setDesktop(Desktop* replacement)
{
    installed = replacement;
}

} // namespace platform
