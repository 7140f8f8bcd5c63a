// Stands in for a Windows command (appcmd, icacls, netsh...) in the test of
// the guide's Command Prompt lines: prints its name and each argument as
// the C runtime splits the command line, one "[...]" each.
#include <windows.h>

#include <stdio.h>
#include <string.h>

int main(int argc, char **argv)
{
    char name[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, name, sizeof name);
    const char *base = n > 0 && n < sizeof name ? strrchr(name, '\\') : nullptr;
    printf("%s:", base ? base + 1 : "?");
    for (int i = 1; i < argc; i++)
        printf(" [%s]", argv[i]);
    printf("\n");
    return 0;
}
