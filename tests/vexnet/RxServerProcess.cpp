#include "RxServerProcess.h"

#include <stdexcept>

namespace qar::test
{

RxServerProcess::RxServerProcess(std::uint16_t port, std::vector<std::string> args,
                                 std::map<std::string, std::string> env)
{
    args.push_back("-port:" + std::to_string(port));
    env.try_emplace("QAR_PROGRAM_DIR", m_dir.path().string());
    m_child = std::make_unique<ChildProcess>(QAR_RXSERVER_PATH, args, env);
    const std::string line = m_child->waitForLine("listening 127.0.0.1:");
    if (line.empty()) {
        throw std::runtime_error("RXServer.exe did not start listening");
    }
    m_port = static_cast<std::uint16_t>(std::stoi(line.substr(line.rfind(':') + 1)));
}

} // namespace qar::test
