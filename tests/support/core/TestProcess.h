#pragma once

// A program that a test starts (the simulator, the CLI, the window) and that must not outlive it: the kernel
// kills it when the test's process ends in any way, a crash or a kill at its time-out included, so that no
// simulator goes on holding a port or a pseudo-terminal after its test.

#include <QProcess>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

class TestProcess : public QProcess
{
public:
    TestProcess()
    {
        const pid_t test = getpid();
        setChildProcessModifier([test] {
            // Asked of the kernel in the new process before it runs the program; a test that ended before
            // that is seen at once, as the parent is then another process.
            if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != test)
                _exit(127);
        });
    }

    // Sends the program a signal; false when it does not run (a pid of 0 would reach the whole process group,
    // the test runner included).
    bool sendSignal(int number) const
    {
        const qint64 pid = processId();
        return pid > 0 && ::kill(pid_t(pid), number) == 0;
    }
};
