#include "support/external_program.h"

#include <cstdlib>
#include <sys/wait.h>

#include "support/file_bytes.h"


namespace gradix::testing {

bool programAvailable(const std::string& name) {
    return std::system(("command -v '" + name + "' >/dev/null 2>&1").c_str()) == 0;
}

ProgramRun runProgram(const std::string& command, const std::string& input, TempFolder& folder) {
    const std::string in = folder.writeNext(input, "program-in"), out = folder.file("program-out.txt");
    const int status = std::system((command + " <'" + in + "' >'" + out + "'").c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(out)};
}

}  // namespace gradix::testing
