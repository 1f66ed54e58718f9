#ifndef XWINDOWCLOSER_H
#define XWINDOWCLOSER_H

#include <QByteArray>
#include <QLibrary>
#include <QString>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

// Finds another process's top-level window on the X display and asks it to
// close the way a window manager does when the user clicks the close
// button: a WM_DELETE_WINDOW client message. The X library is opened at run
// time so that the test needs no extra link.
class XWindowCloser
{
public:
    XWindowCloser()
    {
        library.setFileNameAndVersion(QStringLiteral("xcb"), 1);
        if (!library.load())
            return;
        const bool resolved = take(connect_, "xcb_connect") && take(disconnect_, "xcb_disconnect")
            && take(hasError_, "xcb_connection_has_error") && take(setup_, "xcb_get_setup")
            && take(roots_, "xcb_setup_roots_iterator") && take(internAtom_, "xcb_intern_atom")
            && take(internAtomReply_, "xcb_intern_atom_reply") && take(queryTree_, "xcb_query_tree")
            && take(queryTreeReply_, "xcb_query_tree_reply") && take(children_, "xcb_query_tree_children")
            && take(childrenLength_, "xcb_query_tree_children_length") && take(getProperty_, "xcb_get_property")
            && take(getPropertyReply_, "xcb_get_property_reply")
            && take(propertyValue_, "xcb_get_property_value")
            && take(propertyLength_, "xcb_get_property_value_length")
            && take(attributes_, "xcb_get_window_attributes")
            && take(attributesReply_, "xcb_get_window_attributes_reply") && take(sendEvent_, "xcb_send_event")
            && take(flush_, "xcb_flush");
        if (!resolved)
            return;
        connection = connect_(nullptr, nullptr);
        if (hasError_(connection)) {
            disconnect_(connection);
            connection = nullptr;
            return;
        }
        root = roots_(setup_(connection)).data->root;
        pidAtom = atom("_NET_WM_PID");
        nameAtom = atom("_NET_WM_NAME");
        protocolsAtom = atom("WM_PROTOCOLS");
        deleteAtom = atom("WM_DELETE_WINDOW");
    }

    ~XWindowCloser()
    {
        if (connection)
            disconnect_(connection);
    }

    XWindowCloser(const XWindowCloser&) = delete;
    XWindowCloser& operator=(const XWindowCloser&) = delete;

    bool isReady() const { return connection && pidAtom && nameAtom && protocolsAtom && deleteAtom; }

    // The first mapped top-level window of process `pid` with this title; 0
    // when there is none (yet).
    xcb_window_t findWindow(qint64 pid, const QString& title)
    {
        if (!isReady())
            return 0;
        xcb_window_t found = 0;
        auto* tree = queryTreeReply_(connection, queryTree_(connection, root), nullptr);
        if (!tree)
            return 0;
        const xcb_window_t* windows = children_(tree);
        const int count = childrenLength_(tree);
        for (int i = 0; i < count && !found; ++i) {
            const QByteArray pidValue = property(windows[i], pidAtom, XCB_ATOM_CARDINAL);
            if (pidValue.size() == 4 && isViewable(windows[i])) {
                quint32 owner = 0;
                std::memcpy(&owner, pidValue.constData(), 4);
                if (owner == pid && QString::fromUtf8(property(windows[i], nameAtom, XCB_ATOM_ANY)) == title)
                    found = windows[i];
            }
        }
        std::free(tree);
        return found;
    }

    void requestClose(xcb_window_t window)
    {
        xcb_client_message_event_t message;
        std::memset(&message, 0, sizeof message);
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = protocolsAtom;
        message.data.data32[0] = deleteAtom;
        message.data.data32[1] = XCB_CURRENT_TIME;
        sendEvent_(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
        flush_(connection);
    }

private:
    template <typename Function>
    bool take(Function& function, const char* name)
    {
        function = reinterpret_cast<Function>(library.resolve(name));
        return function != nullptr;
    }

    xcb_atom_t atom(const char* name)
    {
        auto* reply = internAtomReply_(
            connection, internAtom_(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        if (!reply)
            return 0;
        const xcb_atom_t result = reply->atom;
        std::free(reply);
        return result;
    }

    bool isViewable(xcb_window_t window)
    {
        auto* reply = attributesReply_(connection, attributes_(connection, window), nullptr);
        if (!reply)
            return false;
        const bool viewable = reply->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(reply);
        return viewable;
    }

    QByteArray property(xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
    {
        auto* reply =
            getPropertyReply_(connection, getProperty_(connection, 0, window, name, type, 0, 1024), nullptr);
        if (!reply)
            return QByteArray();
        // The length is in bytes already.
        const QByteArray value(static_cast<const char*>(propertyValue_(reply)), propertyLength_(reply));
        std::free(reply);
        return value;
    }

    QLibrary library;
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t pidAtom = 0;
    xcb_atom_t nameAtom = 0;
    xcb_atom_t protocolsAtom = 0;
    xcb_atom_t deleteAtom = 0;

    decltype(&xcb_connect) connect_ = nullptr;
    decltype(&xcb_disconnect) disconnect_ = nullptr;
    decltype(&xcb_connection_has_error) hasError_ = nullptr;
    decltype(&xcb_get_setup) setup_ = nullptr;
    decltype(&xcb_setup_roots_iterator) roots_ = nullptr;
    decltype(&xcb_intern_atom) internAtom_ = nullptr;
    decltype(&xcb_intern_atom_reply) internAtomReply_ = nullptr;
    decltype(&xcb_query_tree) queryTree_ = nullptr;
    decltype(&xcb_query_tree_reply) queryTreeReply_ = nullptr;
    decltype(&xcb_query_tree_children) children_ = nullptr;
    decltype(&xcb_query_tree_children_length) childrenLength_ = nullptr;
    decltype(&xcb_get_property) getProperty_ = nullptr;
    decltype(&xcb_get_property_reply) getPropertyReply_ = nullptr;
    decltype(&xcb_get_property_value) propertyValue_ = nullptr;
    decltype(&xcb_get_property_value_length) propertyLength_ = nullptr;
    decltype(&xcb_get_window_attributes) attributes_ = nullptr;
    decltype(&xcb_get_window_attributes_reply) attributesReply_ = nullptr;
    decltype(&xcb_send_event) sendEvent_ = nullptr;
    decltype(&xcb_flush) flush_ = nullptr;
};

#endif
