#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class MainForm;
namespace platform
{
class CheckList;
}

// Keeping the file list in step with the drive, the folder and the pattern.
namespace workflow
{

// Appends the plain files of `folder` that match the pattern text of Combo1 to `list`; it does not
// empty the list first. Hidden files (a leading dot) and anything but plain files (folders, devices,
// sockets: the system files of this platform) are never listed; read-only files are. A folder that
// cannot be listed adds nothing.
void FillFileList(MainForm& w, platform::CheckList& list, const QString& folder);

// The folder and the pattern joined with exactly one separator: "/" and "*.txt" give "/*.txt".
QString searchPath(const QString& folder, const QString& pattern);

// The names of the plain, not hidden files that a search path such as "/home/ann/*.txt" finds, in
// the order the folder holds them. Empty when the folder cannot be listed.
QStringList listMatchingFiles(const QString& searchPath);

// Matches file names against a pattern: "*" any run of characters (also none), "?" any one
// character, every other character itself, without regard to case. As on Windows, a pattern ending
// in ".*" also matches the name without an extension ("*.*" matches "README", "notes.*" matches
// "notes"), and one ending in "." matches names without an extension ("*." matches "README").
// Several wildcards separated by ";" ("*.txt;*.md") match a name that any of them matches; blanks
// around each are ignored, and so are empty ones.
class WildcardMatcher
{
public:
    explicit WildcardMatcher(const QString& pattern);
    bool matches(QStringView name) const;

private:
    struct Wildcard {
        std::u16string folded;
        // The wildcard without its final ".*" or ".", matched against names without an extension.
        std::u16string bare;
        bool hasBare = false;
        bool bareNeedsNoDot = false;
    };
    std::vector<Wildcard> m_wildcards;
};

void Dir1_Change(MainForm& w);
void Drive1_Change(MainForm& w);
void Combo1_Change(MainForm& w);
void Combo1_Click(MainForm& w);
void chkAll_Click(MainForm& w);
void mnuSelectAll_Click(MainForm& w);

} // namespace workflow
