#pragma once

#include "ChildProcess.h"
#include "TempDir.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qar::test
{

/// RXServer.exe started for one test in an empty program directory, on a port of its choosing (or
/// the one given), without a window unless asked.
class RxServerProcess
{
public:
    explicit RxServerProcess(std::uint16_t port = 0, std::vector<std::string> args = {"-nowindow"},
                             std::map<std::string, std::string> env = {});

    std::uint16_t port() const { return m_port; }
    ChildProcess& process() { return *m_child; }
    std::string waitForLine(const std::string& text) { return m_child->waitForLine(text); }

private:
    TempDir m_dir;
    std::unique_ptr<ChildProcess> m_child;
    std::uint16_t m_port = 0;
};

} // namespace qar::test
