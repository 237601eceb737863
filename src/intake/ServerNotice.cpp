#include "intake/ServerNotice.h"

#include "vexnet/CXCntNetData.h"
#include "vexnet/CZVexClient.h"

#include <condition_variable>
#include <mutex>
#include <vector>

namespace qar
{

bool NotifyServerOnce(std::uint32_t flags, const std::string& host, std::chrono::milliseconds timeout)
{
    std::mutex mutex;
    std::condition_variable changed;
    bool up = false;
    std::vector<std::uint32_t> arrived;
    CZVexClient::Options options;
    options.host = host;
    options.connectTimeout = timeout;
    // The sink runs on the client's thread: it only records the event and wakes this one.
    CZVexClient client(options, [&](const VexEvent& e) {
        std::lock_guard lock(mutex);
        if (e.message == kMsgVexState && (e.wParam & 0xFFu) == 0) { // the low byte is the selector
            up = e.lParam == kVexStateUp;
        } else if (e.message == kMsgVexReceived) {
            arrived.push_back(static_cast<std::uint32_t>(e.lParam));
        }
        changed.notify_all();
    });
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(mutex);
    if (!changed.wait_until(lock, deadline, [&] { return up; })) {
        return false;
    }
    arrived.clear();
    lock.unlock();
    CXCntNetData notice(kNetDataKindControl, &client);
    notice.PutData(kCodeRefresh);
    notice.PutData(flags);
    // The server answers a bare 290 at once, and after everything sent before it.
    CZNetData ask(&client);
    ask.PutData(kCodeRefreshReply);
    bool answered = false;
    if (notice.SendToServer() && ask.SendToServer()) {
        lock.lock();
        while (!answered && changed.wait_until(lock, deadline, [&] { return !arrived.empty(); })) {
            const std::vector<std::uint32_t> ids = std::move(arrived);
            arrived.clear();
            lock.unlock();
            for (std::uint32_t id : ids) {
                CZNetData in(&client, id);
                std::size_t length = 0;
                std::size_t position = 0;
                answered = answered || (in.RecvFromServer(length) && in.GetDataOfWord(position) == kCodeRefreshReply);
            }
            lock.lock();
        }
        lock.unlock();
    }
    client.Shutdown();
    return answered;
}

} // namespace qar
