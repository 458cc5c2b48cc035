/* Looks at the settings window of a running tavorinex.scr from outside, the way a test would
 * with a window spy, and prints what it finds as one JSON object.
 *
 *   dialogprobe dialog   the settings window, the window holding its thread's mouse capture,
 *                        and each of its controls in creation order
 *   dialogprobe msgbox   the message boxes on screen
 *
 * Texts are printed as hex bytes in the system code page, so nothing is lost on the way, and
 * as the system holds them, UTF-16LE in hex ("wtext", "wmessage").
 * Exit code 0 when something was found, 1 when not. */
#include <windows.h>

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

static void PrintHex(const char* key, const char* text) {
    printf("\"%s\": \"", key);
    for (const unsigned char* at = (const unsigned char*)text; *at != 0; ++at) {
        printf("%02x", *at);
    }
    printf("\"");
}

static void PrintWideHex(const char* key, const WCHAR* text) {
    printf(", \"%s\": \"", key);
    for (; *text != 0; ++text) {
        printf("%02x%02x", *text & 0xFF, *text >> 8);
    }
    printf("\"");
}

static void PrintText(HWND window) {
    char text[512] = {0};
    WCHAR wide[512] = {0};
    GetWindowTextA(window, text, sizeof text);
    PrintHex("text", text);
    GetWindowTextW(window, wide, 512);
    PrintWideHex("wtext", wide);
}

static void PrintClass(HWND window) {
    char name[256] = {0};
    GetClassNameA(window, name, sizeof name);
    PrintHex("class", name);
}

static void PrintCommon(HWND window) {
    printf("\"hwnd\": %lu, ", (unsigned long)(UINT_PTR)window);
    PrintClass(window);
    printf(", ");
    PrintText(window);
    printf(", \"style\": %lu, \"exstyle\": %lu, \"enabled\": %d, \"visible\": %d",
           (unsigned long)GetWindowLongA(window, GWL_STYLE),
           (unsigned long)GetWindowLongA(window, GWL_EXSTYLE), IsWindowEnabled(window) ? 1 : 0,
           IsWindowVisible(window) ? 1 : 0);
}

/* The width and height the text takes in the settings font (made as start-up makes it). */
static SIZE TextExtent(const char* text) {
    SIZE size = {0, 0};
    HDC dc = GetDC(NULL);
    HFONT font = CreateFontA(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                             OUT_STROKE_PRECIS, CLIP_STROKE_PRECIS, DRAFT_QUALITY,
                             FF_MODERN | VARIABLE_PITCH,
                             "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e");
    HGDIOBJ old = SelectObject(dc, font);
    GetTextExtentPoint32A(dc, text, (int)strlen(text), &size);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(NULL, dc);
    return size;
}

static void PrintControl(HWND parent, HWND control) {
    RECT rect;
    char name[256] = {0};
    char text[512] = {0};
    SIZE extent;
    GetWindowRect(control, &rect);
    MapWindowPoints(NULL, parent, (POINT*)&rect, 2);
    GetClassNameA(control, name, sizeof name);
    GetWindowTextA(control, text, sizeof text);
    extent = TextExtent(text);
    printf("{\"id\": %d, ", GetDlgCtrlID(control));
    PrintCommon(control);
    printf(", \"x\": %ld, \"y\": %ld, \"width\": %ld, \"height\": %ld", rect.left, rect.top,
           rect.right - rect.left, rect.bottom - rect.top);
    printf(", \"extent\": [%ld, %ld]", extent.cx, extent.cy);
    if (strcmp(name, TRACKBAR_CLASSA) == 0) {
        printf(", \"pos\": %ld, \"min\": %ld, \"max\": %ld",
               (long)SendMessageA(control, TBM_GETPOS, 0, 0),
               (long)SendMessageA(control, TBM_GETRANGEMIN, 0, 0),
               (long)SendMessageA(control, TBM_GETRANGEMAX, 0, 0));
    }
    printf("}");
}

static int ProbeDialog(void) {
    HWND dialog = FindWindowA("NORMALDLG", NULL);
    RECT outer;
    RECT client;
    POINT origin = {0, 0};
    HWND child;
    int first = 1;
    if (dialog == NULL) {
        printf("{}\n");
        return 1;
    }
    GetWindowRect(dialog, &outer);
    GetClientRect(dialog, &client);
    ClientToScreen(dialog, &origin);
    printf("{");
    PrintCommon(dialog);
    printf(", \"owner\": %lu", (unsigned long)(UINT_PTR)GetWindow(dialog, GW_OWNER));
    /* A slider holds the mouse capture from the press to the release of a drag. */
    {
        GUITHREADINFO thread;
        memset(&thread, 0, sizeof thread);
        thread.cbSize = sizeof thread;
        GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &thread);
        printf(", \"capture\": %lu", (unsigned long)(UINT_PTR)thread.hwndCapture);
    }
    printf(", \"outer\": [%ld, %ld, %ld, %ld]", outer.left, outer.top, outer.right - outer.left,
           outer.bottom - outer.top);
    printf(", \"client\": [%ld, %ld, %ld, %ld]", origin.x, origin.y, client.right, client.bottom);
    printf(", \"controls\": [");
    /* Siblings in Z order, which for children is their creation order. */
    for (child = GetWindow(dialog, GW_CHILD); child != NULL;
         child = GetWindow(child, GW_HWNDNEXT)) {
        printf(first ? "\n" : ",\n");
        first = 0;
        PrintControl(dialog, child);
    }
    printf("]}\n");
    return 0;
}

static int IsShown(HWND window) {
    return window != NULL && IsWindowVisible(window);
}

static int HasIcon(HWND control) {
    return IsShown(control) && SendMessageA(control, STM_GETICON, 0, 0) != 0;
}

static BOOL CALLBACK PrintMessageBox(HWND window, LPARAM found) {
    char name[64] = {0};
    char text[512] = {0};
    WCHAR wide[512] = {0};
    int* count = (int*)found;
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) {
        return TRUE;
    }
    printf(*count == 0 ? "\n{" : ",\n{");
    ++*count;
    PrintCommon(window);
    printf(", \"owner\": %lu, ", (unsigned long)(UINT_PTR)GetWindow(window, GW_OWNER));
    /* The message is the static control 0xFFFF and 1 to 11 are the buttons; a button the box
     * does not use is gone or hidden. The icon control is 0x14 on Windows and 0x440 in Wine,
     * where it stays on show, empty, in a box without an icon. */
    GetDlgItemTextA(window, 0xFFFF, text, sizeof text);
    PrintHex("message", text);
    GetDlgItemTextW(window, 0xFFFF, wide, 512);
    PrintWideHex("wmessage", wide);
    printf(", \"icon\": %d, \"buttons\": [",
           HasIcon(GetDlgItem(window, 0x14)) || HasIcon(GetDlgItem(window, 0x440)) ? 1 : 0);
    {
        int id;
        int firstButton = 1;
        for (id = 1; id <= 11; ++id) {
            if (IsShown(GetDlgItem(window, id))) {
                printf(firstButton ? "%d" : ", %d", id);
                firstButton = 0;
            }
        }
    }
    printf("]}");
    return TRUE;
}

static int ProbeMessageBoxes(void) {
    int count = 0;
    printf("{\"boxes\": [");
    EnumWindows(PrintMessageBox, (LPARAM)&count);
    printf("]}\n");
    return count > 0 ? 0 : 1;
}

int main(int argc, char** argv) {
    int result = 2;
    if (argc == 2 && strcmp(argv[1], "dialog") == 0) {
        result = ProbeDialog();
    } else if (argc == 2 && strcmp(argv[1], "msgbox") == 0) {
        result = ProbeMessageBoxes();
    } else {
        fprintf(stderr, "usage: dialogprobe dialog|msgbox\n");
    }
    fflush(stdout);
    return result;
}
