#include "PostgresServer.h"

#include "LoopbackListener.h"

#include <QDir>
#include <QProcess>

#include <pwd.h>
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

}  // namespace

PostgresServer::PostgresServer() : bin_(ServerPrograms()), port_(LoopbackListener().Port()) {}

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

QString PostgresServer::HandToServer(const QString& path)
{
    if (::geteuid() != 0)
        return QString();
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody || ::chown(qPrintable(path), nobody->pw_uid, nobody->pw_gid) != 0)
        return QStringLiteral("cannot hand %1 to nobody").arg(path);
    return QString();
}

QString PostgresServer::RequireTls(const QString& certificate, const QString& key)
{
    for (const auto& [from, to] : {std::pair{certificate, QStringLiteral("server.crt")}, {key, QStringLiteral("server.key")}}) {
        const QString copy = folder_.filePath(to);
        QFile::remove(copy);
        if (!QFile::copy(from, copy) || !QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner))
            return QStringLiteral("cannot copy %1").arg(from);
        if (QString problem = HandToServer(copy); !problem.isEmpty())
            return problem;
    }
    tls_ = true;
    return QString();
}

QString PostgresServer::MakeData(const QString& data)
{
    if (QString problem = HandToServer(folder_.path()); !problem.isEmpty())
        return problem;
    if (QString problem =
            Run(QStringLiteral("initdb"), {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("korvexc"),
                                           QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("--no-sync")});
        !problem.isEmpty())
        return problem;
    if (!tls_)
        return QString();
    // Whoever connects without TLS is turned away, and anyone but the superuser gives a password.
    QFile rules(data + QStringLiteral("/pg_hba.conf"));
    if (!rules.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || rules.write("hostssl all korvexc 127.0.0.1/32 trust\nhostssl all korvexc ::1/128 trust\n"
                       "hostssl all all 127.0.0.1/32 scram-sha-256\nhostssl all all ::1/128 scram-sha-256\n")
               < 0)
        return QStringLiteral("cannot write pg_hba.conf");
    return QString();
}

QString PostgresServer::Start()
{
    if (bin_.isEmpty())
        return QStringLiteral("PostgreSQL's server is not installed (Debian: postgresql)");
    if (!folder_.isValid() || port_ == 0)
        return QStringLiteral("no temporary folder or no free port");
    const QString data = folder_.filePath(QStringLiteral("data"));
    if (QString problem = made_ ? QString() : MakeData(data); !problem.isEmpty())
        return problem;
    QString options = QStringLiteral("-p %1 -c listen_addresses=127.0.0.1 -c unix_socket_directories='' -c fsync=off").arg(port_);
    if (tls_)
        options += QStringLiteral(" -c ssl=on -c ssl_cert_file=%1 -c ssl_key_file=%2")
                       .arg(folder_.filePath(QStringLiteral("server.crt")), folder_.filePath(QStringLiteral("server.key")));
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

QString PostgresServer::Sql(const QString& statements)
{
    return Run(QStringLiteral("psql"),
               {QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"), QString::number(port_),
                QStringLiteral("-U"), QStringLiteral("korvexc"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                QStringLiteral("-c"), statements, QStringLiteral("line")});
}

QString PostgresServer::Url() const
{
    return QStringLiteral("postgresql://korvexc@127.0.0.1:%1/line").arg(port_);
}
