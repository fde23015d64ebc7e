// One desktop program per program folder. The first start on a folder claims a local socket
// named after the folder (in the user's runtime folder, or the temporary folder with the user's
// id in the name; only the user can reach it); a later start hands its request over through it
// (the feed links to open, or none: come to the front) and ends.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

class TSingleInstance : public QObject {
    Q_OBJECT
  public:
    enum class TClaim {
        Claimed,      // this program serves the folder now
        HandedOver,   // a program running on the folder took the request
        NotAnswering, // one runs on the folder but did not take the request
        Unavailable,  // the socket cannot be made: this program runs without it
    };

    explicit TSingleInstance(const QString& folder, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // The socket's name for a program folder.
    static QString ChannelName(const QString& folder);

    // Hands the request to a program running on the folder or, when none runs, claims the
    // folder for this one.
    TClaim Claim(const QStringList& addresses);

  signals:
    // A later start's request: the feed links to open, or none.
    void Requested(const QStringList& addresses);

  private:
    enum class TAsked { Taken, NoneRunning, NotAnswering };
    TAsked Ask(const QStringList& addresses) const;
    bool Listen();
    void Serve(QLocalSocket* socket);

    QString name_;
    QLocalServer* server_ = nullptr;
};
