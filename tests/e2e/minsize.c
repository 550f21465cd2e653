/* Prints the smallest client area a window lets itself be given, as "WIDTH HEIGHT": what the
 * window answers Windows' WM_GETMINMAXINFO with, less its frame. Wine passes no minimum size on
 * to X for a window that can be resized, so the tests ask Windows' own way.
 *
 *   minsize.exe TITLE
 */
#include <stdio.h>
#include <windows.h>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2) {
        fputs("usage: minsize.exe TITLE\n", stderr);
        return 2;
    }
    HWND window = FindWindowW(NULL, argv[1]);
    if (!window) {
        fputs("no window with that title\n", stderr);
        return 1;
    }
    MINMAXINFO limits = { 0 };
    SendMessageW(window, WM_GETMINMAXINFO, 0, (LPARAM)&limits);
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const LONG frameWidth = (outer.right - outer.left) - (client.right - client.left);
    const LONG frameHeight = (outer.bottom - outer.top) - (client.bottom - client.top);
    printf("%ld %ld\n", limits.ptMinTrackSize.x - frameWidth, limits.ptMinTrackSize.y - frameHeight);
    return 0;
}
