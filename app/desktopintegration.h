// What the viewer needs from the desktop it runs on, kept apart from the
// windows: the private place and name of the socket through which a second
// start hands its document to the running viewer, and the check that the
// other end of such a socket belongs to the same user.
#pragma once

#include <QString>

class QLocalServer;
class QLocalSocket;

namespace orv::desktop {

// The user's private folder for the hand-over socket: the runtime folder
// the session gives ($XDG_RUNTIME_DIR) when it is the user's own and closed
// to others, else a folder of the user's own in the temporary folder,
// created with mode 0700 and checked before use. Empty when neither is safe.
QString PrivateRuntimeFolder();

// The display the viewer shows its windows on ("x11-:0", "wayland-wayland-0"),
// made safe for a file name; another display gets another viewer.
QString DisplayTag();

// The full name of the hand-over socket for key (which tells settings
// stores apart), or empty when there is no private folder.
QString HandOverSocketName(const QString& key);

// Restricts a server to the user before it listens.
void PrepareHandOverServer(QLocalServer& server);

// True when the process at the other end of a connected socket runs as the
// same user as this one.
bool PeerIsSameUser(const QLocalSocket& socket);

}  // namespace orv::desktop
