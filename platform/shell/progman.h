// The machine's Program Manager: it answers DDE conversations with "PROGMAN"
// and carries out the command strings on the Start Menu's Programs folder,
// where a group is a folder and an item a .lnk file.
#pragma once

#include "platform/base/result.h"
#include "platform/formats/shelllink.h"

#include <string>
#include <string_view>
#include <vector>

namespace zrv {

class Machine;

struct DdeArgument {
    std::string raw;  // as written, blanks trimmed
    std::string text; // one surrounding pair of quotes removed
};

struct DdeCommand {
    std::string name;
    std::vector<DdeArgument> args;
};

// "[CreateGroup("Name")][ShowGroup("Name",1)]": each bracketed command with its
// comma-separated arguments; commas and brackets inside quotes belong to the text.
Result<std::vector<DdeCommand>> parseDdeCommands(std::string_view text);

enum class DdeOutcome { Ok, NotConnected, Failed };

class ProgramManager {
public:
    explicit ProgramManager(Machine& machine) : m_machine(machine) {}

    // One conversation: connect, execute the command string, disconnect.
    DdeOutcome execute(std::string_view command);

    struct Item {
        std::string title;
        ShellLink link;
    };
    struct Group {
        std::string name;
        std::vector<Item> items;
    };
    std::vector<Group> groups();
    const std::string& activeGroup() const { return m_active; }
    std::string programsFolder() const;

private:
    bool run(const DdeCommand& command);
    std::string groupFolder(const std::string& name) const;

    Machine& m_machine;
    std::string m_active;
};

// A title or group name as a file name: characters Windows forbids become '_'.
std::string fileNameFor(std::string_view title);

} // namespace zrv
