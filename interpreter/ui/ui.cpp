#include "interpreter/ui/ui.h"

#include "interpreter/ui/json.h"
#include "platform/base/ansi.h"

#include <cstdio>

#include <cstring>

namespace zrv::ui {

namespace {
constexpr const char* kResultNames[] = {"",     "IDOK", "IDCANCEL", "IDABORT",   "IDRETRY",   "IDIGNORE",
                                       "IDYES", "IDNO", "",         "IDBACK",    "",          "IDBUTTON1",
                                       "IDBUTTON2", "IDBUTTON3", "IDBUTTON4", "IDBUTTON5"};
}

int defaultButton(unsigned style) {
    static constexpr int kButtons[6][3] = {
        {Id::Ok, Id::Ok, Id::Ok},           {Id::Ok, Id::Cancel, Id::Cancel},   {Id::Abort, Id::Retry, Id::Ignore},
        {Id::Yes, Id::No, Id::Cancel},      {Id::Yes, Id::No, Id::No},          {Id::Retry, Id::Cancel, Id::Cancel},
    };
    unsigned type = style & Mb::TypeMask;
    if (type > 5)
        type = 0;
    unsigned which = (style & Mb::DefMask) >> 8;
    return kButtons[type][which > 2 ? 0 : which];
}

void Ui::warning(const std::string& text) {
    record(transcriptLine("warning", "", "", ansiToUtf8(text)).str());
    if (m_console.out)
        std::fprintf(m_console.out, "zrvx32: warning: %s\n", ansiToUtf8(text).c_str());
}

const char* resultName(int id) { return id >= 1 && id <= 15 ? kResultNames[id] : ""; }

int resultFromName(const std::string& name) {
    for (int i = 1; i <= 15; ++i)
        if (*kResultNames[i] && name == kResultNames[i])
            return i;
    return 0;
}

const char* buttonsName(unsigned style) {
    static constexpr const char* kNames[] = {"MB_OK", "MB_OKCANCEL", "MB_ABORTRETRYIGNORE", "MB_YESNOCANCEL", "MB_YESNO",
                                             "MB_RETRYCANCEL"};
    unsigned type = style & Mb::TypeMask;
    return type <= 5 ? kNames[type] : "MB_OK";
}

const char* iconName(unsigned style) {
    switch (style & Mb::IconMask) {
    case Mb::IconStop: return "MB_ICONSTOP";
    case Mb::IconQuestion: return "MB_ICONQUESTION";
    case Mb::IconExclamation: return "MB_ICONEXCLAMATION";
    case Mb::IconInformation: return "MB_ICONINFORMATION";
    default: return "";
    }
}

} // namespace zrv::ui
