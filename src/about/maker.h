#pragma once

#include <QString>

// The maker of the program and where to find them. Every address the program opens is here.
namespace about::maker
{

inline QString name()
{
    return QStringLiteral("Quorvane Software");
}

inline QString homePage()
{
    return QStringLiteral("https://www.example.com/");
}

inline QString mailingList()
{
    return QStringLiteral("https://www.example.com/mailing-list");
}

} // namespace about::maker
