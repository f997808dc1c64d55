#include "foundation/ShellOpen.h"

#include "foundation/platform/ShellOpener.h"

void open_with_shell(const QString &path)
{
    shell_open_url(QUrl::fromLocalFile(path));
}
