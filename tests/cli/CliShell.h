#pragma once
// Runs ravelin-cli through the shell, for the command-line tests.
#include "support/TestSupport.h"

#include <string>
#include <sys/wait.h>

namespace ravelin::test {

struct Outcome {
    int status = -1;
    std::string out, err;
};

// Runs a shell command line in dir. $CLI is the tool (a hang ends after 20 s); nobody
// runs a command as that user, so that permission bits apply even to root; $UNSHARE
// starts a command in a private mount namespace.
inline Outcome Shell(const std::string& dir, const std::string& line,
                     const std::string& cli = RAVELIN_CLI,
                     const std::string& unshare = "unshare -m")
{
    const TempDir streams;
    const std::string script = "cd " + dir + " && export CLI='timeout 20 " + cli + "' UNSHARE='" +
                               unshare +
                               "' && "
                               "nobody() { if [ $(id -u) = 0 ]; then setpriv --reuid=65534 "
                               "--regid=65534 --clear-groups \"$@\"; else \"$@\"; fi; } && " +
                               line;
    const int raw = std::system(
        ("(" + script + ") >" + streams / "out" + " 2>" + streams / "err" + " </dev/null").c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return {status, ReadText(streams / "out"), ReadText(streams / "err")};
}

} // namespace ravelin::test
