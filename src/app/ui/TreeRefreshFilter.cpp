#include "app/ui/TreeRefreshFilter.h"

#include "platform/TreeRefreshMessage.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace qar::ui
{

TreeRefreshFilter::TreeRefreshFilter(QObject* context, std::function<void()> refresh)
    : m_context(context), m_refresh(std::move(refresh))
{
    auto* x11 = qApp != nullptr ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr) {
        return; // not on X11: no message can come
    }
    xcb_connection_t* c = x11->connection();
    const auto cookie =
        xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(kTreeRefreshAtom)), kTreeRefreshAtom);
    if (xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(c, cookie, nullptr)) {
        m_atom = reply->atom;
        std::free(reply);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
}

TreeRefreshFilter::~TreeRefreshFilter()
{
    if (m_atom != 0 && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

bool TreeRefreshFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* /*result*/)
{
    if (m_atom == 0 || m_context.isNull() || eventType != QByteArrayLiteral("xcb_generic_event_t")) {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) {
        return false;
    }
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    if (client->type != m_atom || client->format != 32 || client->data.data32[0] != kTreeRefreshUnitsAndUsers) {
        return false;
    }
    // Rebuilt after the event is handled, not inside Qt's event dispatch.
    QMetaObject::invokeMethod(m_context.data(), m_refresh, Qt::QueuedConnection);
    return true;
}

} // namespace qar::ui
