#include "cli/cli.h"

int main(int argc, char* argv[])
{
    QByteArrayList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QByteArray(argv[i]);
    return cli::run(arguments, stdout, stderr);
}
