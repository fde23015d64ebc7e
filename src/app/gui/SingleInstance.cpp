#include "app/gui/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <memory>
#include <unistd.h>

namespace {

// The request: a greeting, one line per feed link, an end line; the answer: one line.
const QByteArray kGreeting = "nimbrel-start 1\n";
const QByteArray kOpen = "open ";
const QByteArray kEnd = "end\n";
const QByteArray kTaken = "taken\n";
constexpr qsizetype kLargestRequest = 64 * 1024;
constexpr int kConnectMs = 1000;
constexpr int kAnswerMs = 10000;

} // namespace

TSingleInstance::TSingleInstance(const QString& folder, QObject* parent)
    : QObject(parent), name_(ChannelName(folder)) {}

TSingleInstance::~TSingleInstance() = default;

QString TSingleInstance::ChannelName(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QByteArray digest =
        QCryptographicHash::hash((canonical.isEmpty() ? folder : canonical).toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime + "/nimbrel-" + digest + ".socket";
    return QString("nimbrel-%1-%2").arg(::getuid()).arg(QString::fromLatin1(digest));
}

TSingleInstance::TClaim TSingleInstance::Claim(const QStringList& addresses) {
    // Asked twice: a program that started at the same moment may have claimed the folder
    // between the first question and our own claim.
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (Ask(addresses)) {
        case TAsked::Taken:
            return TClaim::HandedOver;
        case TAsked::NotAnswering:
            return TClaim::NotAnswering;
        case TAsked::NoneRunning:
            break;
        }
        if (Listen())
            return TClaim::Claimed;
        if (server_->serverError() != QAbstractSocket::AddressInUseError)
            return TClaim::Unavailable;
    }
    // Nobody answers at a socket that is there: a program that ended without closing it.
    QLocalServer::removeServer(name_);
    return Listen() ? TClaim::Claimed : TClaim::Unavailable;
}

TSingleInstance::TAsked TSingleInstance::Ask(const QStringList& addresses) const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectMs))
        return TAsked::NoneRunning;
    QByteArray request = kGreeting;
    for (const QString& address : addresses)
        request += kOpen + address.toUtf8() + "\n";
    socket.write(request + kEnd);
    QByteArray answer;
    while (!answer.endsWith('\n') && socket.waitForReadyRead(kAnswerMs))
        answer += socket.readAll();
    return answer == kTaken ? TAsked::Taken : TAsked::NotAnswering;
}

bool TSingleInstance::Listen() {
    if (!server_) {
        server_ = new QLocalServer(this);
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(server_, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* socket = server_->nextPendingConnection())
                Serve(socket);
        });
    }
    return server_->listen(name_);
}

void TSingleInstance::Serve(QLocalSocket* socket) {
    auto request = std::make_shared<QByteArray>();
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, request] {
        *request += socket->readAll();
        const bool strange = request->size() > kLargestRequest ||
                             !request->startsWith(kGreeting.left(request->size()));
        if (strange) {
            socket->abort();
            return;
        }
        if (!request->endsWith("\n" + kEnd))
            return; // more to come
        QStringList addresses;
        for (const QByteArray& line : request->split('\n'))
            if (line.startsWith(kOpen))
                addresses << QString::fromUtf8(line.mid(kOpen.size()));
        socket->write(kTaken);
        socket->flush();
        socket->disconnectFromServer();
        // Answered first: what the request opens may wait for the person (a message box).
        QMetaObject::invokeMethod(
            this, [this, addresses] { emit Requested(addresses); }, Qt::QueuedConnection);
    });
}
