// The one boundary between the script engine and a user interface. The engine
// asks; a back end (headless, Qt) shows and answers.
#pragma once

#include <cstdint>
#include <string>

namespace zrv::ui {

// Win32 message box styles and results.
namespace Mb {
inline constexpr unsigned Ok = 0, OkCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5;
inline constexpr unsigned IconStop = 16, IconQuestion = 32, IconExclamation = 48, IconInformation = 64;
inline constexpr unsigned DefButton2 = 0x100, DefButton3 = 0x200;
inline constexpr unsigned TypeMask = 0x0F, IconMask = 0xF0, DefMask = 0xF00;
} // namespace Mb
namespace Id {
inline constexpr int Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7;
} // namespace Id

struct MessageBoxRequest {
    std::string kind = "messagebox"; // "messagebox", "error" (an error report), "prompt" (asks for a disk)
    std::string title;
    std::string text;       // code page 1252
    unsigned style = Mb::Ok;
    int errorNumber = 0;    // for error reports
};

class Ui {
public:
    virtual ~Ui() = default;
    // The identifier of the button chosen (IDOK ...), or 0 when no box could be shown.
    virtual int messageBox(const MessageBoxRequest& request) = 0;
    virtual void beginWaitCursor() {}
    virtual void endWaitCursor() {}
    // Lets the interface handle what is waiting (repaints, input) and return.
    virtual void pumpMessages() {}
    // No person is there: nothing outside the script can change what it waits for.
    virtual bool unattended() const { return false; }
    // A line for the transcript of what happened (JSON object), where one is kept.
    virtual void record(const std::string& /*json*/) {}

    // The copy progress dialog: open while a copy block runs. Its fields are the
    // description (0), the source (1) and the target (2).
    virtual void openCopyDialog() {}
    virtual void closeCopyDialog(int /*status*/) {}
    virtual void setCopyField(int /*field*/, const std::string& /*text*/) {}
    virtual void setGauge(std::int32_t /*range*/, std::int32_t /*position*/) {}
    // A transfer begins; true once the person pressed Cancel.
    virtual void transferStarted(const std::string& /*source*/, const std::string& /*target*/) {}
    virtual void transferEnded(const std::string& /*source*/, const std::string& /*target*/, int /*status*/) {}
    virtual bool cancelPressed() { return false; }

    // The main window: as large as the screen, titled with the script's caption,
    // hidden until a backdrop is shown.
    virtual void createMainWindow(const std::string& /*title*/) {}
    virtual void destroyMainWindow() {}
    // The screen the interface shows on; a headless run takes the machine's.
    void setScreenSize(int width, int height) {
        m_width = width;
        m_height = height;
    }
    virtual int screenWidth() const { return m_width; }
    virtual int screenHeight() const { return m_height; }

private:
    int m_width = 800;
    int m_height = 600;
};

// The first button of a style, or the one MB_DEFBUTTON2/3 names.
int defaultButton(unsigned style);
// "IDOK" ... for a result; "" for others.
const char* resultName(int id);
int resultFromName(const std::string& name); // 0 when unknown
const char* buttonsName(unsigned style);
const char* iconName(unsigned style);

} // namespace zrv::ui
