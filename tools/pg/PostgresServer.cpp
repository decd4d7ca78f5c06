#include "PostgresServer.h"

#include <QDir>
#include <QProcess>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QString ServerPrograms()
{
    const QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& version : versions) {
        const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(version);
        if (QFile::exists(bin + QStringLiteral("/pg_ctl")))
            return bin;
    }
    return QString();
}

int FreePort()
{
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    const bool bound = ::bind(probe, reinterpret_cast<sockaddr*>(&address), size) == 0
                       && ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    ::close(probe);
    return bound ? ntohs(address.sin_port) : 0;
}

}  // namespace

PostgresServer::PostgresServer() : bin_(ServerPrograms()), port_(FreePort()) {}

PostgresServer::~PostgresServer()
{
    Stop();
}

QString PostgresServer::Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    // The server refuses to run as root.
    if (::geteuid() == 0)
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"), bin_ + u'/' + program}
                          + arguments);
    else
        process.start(bin_ + u'/' + program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return QString();
}

QString PostgresServer::Start()
{
    if (bin_.isEmpty())
        return QStringLiteral("PostgreSQL's server is not installed (Debian: postgresql)");
    if (!folder_.isValid() || port_ == 0)
        return QStringLiteral("no temporary folder or no free port");
    const QString data = folder_.filePath(QStringLiteral("data"));
    if (!made_) {
        if (::geteuid() == 0) {
            const passwd* nobody = ::getpwnam("nobody");
            if (!nobody || ::chown(qPrintable(folder_.path()), nobody->pw_uid, nobody->pw_gid) != 0)
                return QStringLiteral("cannot hand the data folder to nobody");
        }
        if (QString problem =
                Run(QStringLiteral("initdb"), {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("korvexc"),
                                               QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("--no-sync")});
            !problem.isEmpty())
            return problem;
    }
    const QString options =
        QStringLiteral("-p %1 -c listen_addresses=127.0.0.1 -c unix_socket_directories='' -c fsync=off").arg(port_);
    if (QString problem = Run(QStringLiteral("pg_ctl"),
                              {QStringLiteral("-D"), data, QStringLiteral("-l"), folder_.filePath(QStringLiteral("log")),
                               QStringLiteral("-o"), options, QStringLiteral("-w"), QStringLiteral("start")});
        !problem.isEmpty())
        return problem;
    running_ = true;
    if (!made_) {
        made_ = true;
        return Run(QStringLiteral("createdb"),
                   {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port_),
                    QStringLiteral("-U"), QStringLiteral("korvexc"), QStringLiteral("line")});
    }
    return QString();
}

void PostgresServer::Stop()
{
    if (running_)
        Run(QStringLiteral("pg_ctl"), {QStringLiteral("-D"), folder_.filePath(QStringLiteral("data")), QStringLiteral("-m"),
                                       QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")});
    running_ = false;
}

QString PostgresServer::Url() const
{
    return QStringLiteral("postgresql://korvexc@127.0.0.1:%1/line").arg(port_);
}
