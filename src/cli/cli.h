#pragma once

#include <cstdio>
#include <QByteArrayList>

namespace cli
{

// Runs the command line program with the arguments after its name, printing to `out` and `err`,
// and returns its exit status: 0 something was replaced (or would be), 1 nothing matched, 2 a file
// was refused or failed or the arguments are wrong, 128 + the signal when Ctrl+C or SIGTERM stopped it.
int run(const QByteArrayList& arguments, std::FILE* out, std::FILE* err);

} // namespace cli
