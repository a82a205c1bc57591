/* The Windows side of the differential suite: runs a batch of operations
 * through the Win32 functions and prints one result line per operation.
 * Built with the MinGW cross compiler and run under Wine.
 *
 * Input: one operation a line, fields separated by tabs. Fields and results
 * escape backslash, tab, CR, LF and NUL as \\ \t \r \n \0, any other byte
 * below 32 or above 126 as \xHH; a field of just \N is a null pointer. */
#define COBJMACROS
#include <windows.h>
#include <lzexpand.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define MAX_FIELDS 12
#define BIG 65536

static FILE *out;

static void put_escaped(const char *s, size_t n) {
    for (size_t i = 0; i < n; i++) {
        unsigned char c = (unsigned char)s[i];
        switch (c) {
        case '\\': fputs("\\\\", out); break;
        case '\t': fputs("\\t", out); break;
        case '\r': fputs("\\r", out); break;
        case '\n': fputs("\\n", out); break;
        case 0: fputs("\\0", out); break;
        default:
            if (c < 32 || c > 126) fprintf(out, "\\x%02X", c);
            else fputc(c, out);
        }
    }
}

static void put_text(const char *s) { put_escaped(s, strlen(s)); }

/* Decodes a field in place; returns NULL for \N. */
static char *unescape(char *s, size_t *len) {
    if (strcmp(s, "\\N") == 0) return NULL;
    char *w = s;
    for (char *r = s; *r; r++) {
        if (*r != '\\' || !r[1]) { *w++ = *r; continue; }
        r++;
        switch (*r) {
        case 't': *w++ = '\t'; break;
        case 'r': *w++ = '\r'; break;
        case 'n': *w++ = '\n'; break;
        case '0': *w++ = 0; break;
        case 'x': {
            char hex[3] = {r[1], r[2], 0};
            *w++ = (char)strtol(hex, NULL, 16);
            r += 2;
            break;
        }
        default: *w++ = *r;
        }
    }
    *w = 0;
    if (len) *len = (size_t)(w - s);
    return s;
}

static char buffer[BIG];

static void profile_get(char **f) {
    DWORD n = GetPrivateProfileStringA(f[2], f[3], f[4] ? f[4] : "", buffer, BIG, f[1]);
    put_escaped(buffer, n);
}

static void profile_int(char **f) { fprintf(out, "%d", (int)GetPrivateProfileIntA(f[2], f[3], atoi(f[4]), f[1])); }

static void profile_write(char **f) {
    BOOL ok = WritePrivateProfileStringA(f[2], f[3], f[4], f[1]);
    WritePrivateProfileStringA(NULL, NULL, NULL, f[1]); /* flush the cache */
    fprintf(out, "%d", ok ? 1 : 0);
}

static void lz_copy(char **f) {
    OFSTRUCT a, b;
    INT src = LZOpenFileA(f[1], &a, OF_READ);
    if (src < 0) { fprintf(out, "open %d", src); return; }
    INT dst = LZOpenFileA(f[2], &b, OF_CREATE);
    if (dst < 0) { LZClose(src); fprintf(out, "create %d", dst); return; }
    LONG n = LZCopy(src, dst);
    LZClose(src);
    LZClose(dst);
    fprintf(out, "%ld", (long)n);
}

static WCHAR *wide(const char *s) {
    static WCHAR w[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, s, -1, w, MAX_PATH);
    return w;
}

static IShellLinkA *new_link(void) {
    IShellLinkA *link = NULL;
    if (FAILED(CoCreateInstance(&CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, &IID_IShellLinkA, (void **)&link)))
        return NULL;
    return link;
}

/* Path, arguments, working directory, icon file, icon index, description and
 * show command, tab-separated. */
static void link_read(char **f) {
    IShellLinkA *link = new_link();
    IPersistFile *file = NULL;
    if (!link) { fputs("no shell link", out); return; }
    IShellLinkA_QueryInterface(link, &IID_IPersistFile, (void **)&file);
    HRESULT hr = IPersistFile_Load(file, wide(f[1]), STGM_READ);
    if (FAILED(hr)) fprintf(out, "load %08lx", (unsigned long)hr);
    else {
        char s[MAX_PATH * 4];
        int icon = 0, show = 0;
        s[0] = 0; IShellLinkA_GetPath(link, s, sizeof s, NULL, SLGP_RAWPATH); put_text(s); fputs("\t", out);
        s[0] = 0; IShellLinkA_GetArguments(link, s, sizeof s); put_text(s); fputs("\t", out);
        s[0] = 0; IShellLinkA_GetWorkingDirectory(link, s, sizeof s); put_text(s); fputs("\t", out);
        s[0] = 0; IShellLinkA_GetIconLocation(link, s, sizeof s, &icon); put_text(s);
        IShellLinkA_GetShowCmd(link, &show);
        fprintf(out, "\t%d\t", icon);
        s[0] = 0; IShellLinkA_GetDescription(link, s, sizeof s); put_text(s);
        fprintf(out, "\t%d", show);
    }
    IPersistFile_Release(file);
    IShellLinkA_Release(link);
}

static void link_write(char **f) {
    IShellLinkA *link = new_link();
    IPersistFile *file = NULL;
    if (!link) { fputs("no shell link", out); return; }
    IShellLinkA_SetPath(link, f[2]);
    IShellLinkA_SetArguments(link, f[3]);
    IShellLinkA_SetWorkingDirectory(link, f[4]);
    IShellLinkA_SetIconLocation(link, f[5], atoi(f[6]));
    IShellLinkA_SetDescription(link, f[7]);
    IShellLinkA_SetShowCmd(link, atoi(f[8]));
    IShellLinkA_QueryInterface(link, &IID_IPersistFile, (void **)&file);
    HRESULT hr = IPersistFile_Save(file, wide(f[1]), TRUE);
    fprintf(out, "%08lx", (unsigned long)hr);
    IPersistFile_Release(file);
    IShellLinkA_Release(link);
}

static void version(char **f) {
    DWORD handle = 0, size = GetFileVersionInfoSizeA(f[1], &handle);
    if (!size) { fputs("none", out); return; }
    void *data = malloc(size);
    VS_FIXEDFILEINFO *info = NULL;
    UINT len = 0;
    if (GetFileVersionInfoA(f[1], 0, size, data) && VerQueryValueA(data, "\\", (void **)&info, &len) && info)
        fprintf(out, "%lu.%lu.%lu.%lu/%lu.%lu.%lu.%lu", info->dwFileVersionMS >> 16, info->dwFileVersionMS & 0xFFFF,
                info->dwFileVersionLS >> 16, info->dwFileVersionLS & 0xFFFF, info->dwProductVersionMS >> 16,
                info->dwProductVersionMS & 0xFFFF, info->dwProductVersionLS >> 16, info->dwProductVersionLS & 0xFFFF);
    else fputs("none", out);
    free(data);
}

static HKEY root_of(const char *name, const char **rest) {
    static const struct { const char *name; HKEY key; } roots[] = {
        {"HKEY_CURRENT_USER\\", HKEY_CURRENT_USER}, {"HKEY_LOCAL_MACHINE\\", HKEY_LOCAL_MACHINE},
        {"HKEY_CLASSES_ROOT\\", HKEY_CLASSES_ROOT}, {"HKEY_USERS\\", HKEY_USERS}};
    for (size_t i = 0; i < sizeof roots / sizeof roots[0]; i++)
        if (_strnicmp(name, roots[i].name, strlen(roots[i].name)) == 0) {
            *rest = name + strlen(roots[i].name);
            return roots[i].key;
        }
    *rest = name;
    return NULL;
}

/* Every key below and including the one given, in the order RegEnumKeyEx
 * lists them: "[path]" then "name=type:hex" for each value, joined by LF. */
static void dump_key(HKEY key, const char *path) {
    fputs("[", out); put_text(path); fputs("]\\n", out);
    for (DWORD i = 0;; i++) {
        char name[16384];
        static BYTE data[BIG];
        DWORD nameLen = sizeof name, dataLen = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameLen, NULL, &type, data, &dataLen) != ERROR_SUCCESS) break;
        put_text(name);
        fprintf(out, "=%lu:", (unsigned long)type);
        for (DWORD j = 0; j < dataLen; j++) fprintf(out, "%02x", data[j]);
        fputs("\\n", out);
    }
    for (DWORD i = 0;; i++) {
        char name[256], child[4096];
        DWORD nameLen = sizeof name;
        HKEY sub;
        if (RegEnumKeyExA(key, i, name, &nameLen, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
        snprintf(child, sizeof child, "%s\\%s", path, name);
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
            dump_key(sub, child);
            RegCloseKey(sub);
        }
    }
}

static void reg_dump(char **f) {
    const char *rest;
    HKEY root = root_of(f[1], &rest), key;
    if (!root || RegOpenKeyExA(root, rest, 0, KEY_READ, &key) != ERROR_SUCCESS) { fputs("missing", out); return; }
    dump_key(key, f[1]);
    RegCloseKey(key);
}

static void reg_import(char **f) {
    char command[MAX_PATH * 2];
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi;
    DWORD code = 1;
    snprintf(command, sizeof command, "regedit.exe /S \"%s\"", f[1]);
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) { fputs("no regedit", out); return; }
    WaitForSingleObject(pi.hProcess, INFINITE);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    fprintf(out, "%lu", (unsigned long)code);
}

int main(int argc, char **argv) {
    static char line[BIG * 4];
    if (argc != 3) { fputs("usage: probe OPERATIONS RESULTS\n", stderr); return 2; }
    FILE *in = fopen(argv[1], "rb");
    out = fopen(argv[2], "wb");
    if (!in || !out) { fputs("probe: cannot open the files\n", stderr); return 2; }
    CoInitialize(NULL);
    while (fgets(line, sizeof line, in)) {
        char *f[MAX_FIELDS] = {0};
        int n = 0;
        line[strcspn(line, "\r\n")] = 0;
        for (char *p = line; n < MAX_FIELDS;) {
            char *tab = strchr(p, '\t');
            if (tab) *tab = 0;
            f[n++] = unescape(p, NULL);
            if (!tab) break;
            p = tab + 1;
        }
        const char *op = f[0] ? f[0] : "";
        if (!strcmp(op, "acp")) fprintf(out, "%u", GetACP());
        else if (!strcmp(op, "pget")) profile_get(f);
        else if (!strcmp(op, "pint")) profile_int(f);
        else if (!strcmp(op, "pwrite")) profile_write(f);
        else if (!strcmp(op, "lz")) lz_copy(f);
        else if (!strcmp(op, "linkread")) link_read(f);
        else if (!strcmp(op, "linkwrite")) link_write(f);
        else if (!strcmp(op, "version")) version(f);
        else if (!strcmp(op, "regdump")) reg_dump(f);
        else if (!strcmp(op, "regimport")) reg_import(f);
        else fputs("unknown operation", out);
        fputs("\n", out);
        fflush(out);
    }
    CoUninitialize();
    fclose(out);
    return 0;
}
