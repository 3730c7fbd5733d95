#pragma once

#include <QString>
#include <QStringList>

namespace platform
{

// The desktop shell: opening documents and web pages in their default viewers and starting programs.
// Tests install their own to record what would be opened.
class Desktop
{
public:
    virtual ~Desktop() = default;
    // Opens a file or a web address with the desktop's default viewer. False when that failed.
    virtual bool open(const QString& fileOrAddress) = 0;
    // Starts a program by its command line. False when it could not be started.
    virtual bool start(const QString& program, const QStringList& arguments) = 0;
};

Desktop& desktop();
void setDesktop(Desktop* replacement);

} // namespace platform
