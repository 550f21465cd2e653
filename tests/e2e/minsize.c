/* Windows' own view of the game's window, for what Wine does not pass on to X or back:
 *
 *   minsize.exe TITLE                 prints "WIDTH HEIGHT": the smallest client area that the
 *                                     window answers WM_GETMINMAXINFO with, less its frame;
 *   minsize.exe TITLE WIDTH HEIGHT    gives the window a client area of that size, as a player
 *                                     dragging its frame would.
 */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int wmain(int argc, wchar_t **argv)
{
    if (argc != 2 && argc != 4) {
        fputs("usage: minsize.exe TITLE [WIDTH HEIGHT]\n", stderr);
        return 2;
    }
    HWND window = FindWindowW(NULL, argv[1]);
    if (!window) {
        fputs("no window with that title\n", stderr);
        return 1;
    }
    RECT outer, client;
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const LONG frameWidth = (outer.right - outer.left) - (client.right - client.left);
    const LONG frameHeight = (outer.bottom - outer.top) - (client.bottom - client.top);
    if (argc == 4) {
        const LONG width = wcstol(argv[2], NULL, 10) + frameWidth;
        const LONG height = wcstol(argv[3], NULL, 10) + frameHeight;
        return SetWindowPos(window, NULL, 0, 0, width, height,
                            SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1;
    }
    MINMAXINFO limits = { 0 };
    SendMessageW(window, WM_GETMINMAXINFO, 0, (LPARAM)&limits);
    printf("%ld %ld\n", limits.ptMinTrackSize.x - frameWidth, limits.ptMinTrackSize.y - frameHeight);
    return 0;
}
