#include "TestAuthority.h"

#include <QFile>
#include <QProcess>

namespace {

// Elliptic-curve keys: made in milliseconds, where RSA keys take a loaded machine seconds.
const QStringList kNewKey{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                          QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};

}  // namespace

TestAuthority::TestAuthority(const QString& folder, const QString& name) : folder_(folder), name_(name)
{
    problem_ = OpenSsl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + kNewKey
                       + QStringList{QStringLiteral("-keyout"), Path(name + QStringLiteral(".key")), QStringLiteral("-out"),
                                     Certificate(), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                                     QStringLiteral("/CN=") + name});
}

QString TestAuthority::Path(const QString& file) const
{
    return folder_ + u'/' + file;
}

QString TestAuthority::Certificate() const
{
    return Path(name_ + QStringLiteral(".crt"));
}

QString TestAuthority::IssueServer(const QString& name, const QString& hostName)
{
    QFile extensions(Path(name + QStringLiteral(".ext")));
    if (!extensions.open(QIODevice::WriteOnly) || extensions.write("subjectAltName=DNS:" + hostName.toUtf8() + '\n') < 0)
        return QStringLiteral("cannot write ") + extensions.fileName();
    extensions.close();
    if (QString problem = OpenSsl(QStringList{QStringLiteral("req")} + kNewKey
                                  + QStringList{QStringLiteral("-keyout"), Path(name + QStringLiteral(".key")),
                                                QStringLiteral("-out"), Path(name + QStringLiteral(".csr")),
                                                QStringLiteral("-subj"), QStringLiteral("/CN=") + hostName});
        !problem.isEmpty())
        return problem;
    return OpenSsl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), Path(name + QStringLiteral(".csr")),
                    QStringLiteral("-CA"), Certificate(), QStringLiteral("-CAkey"), Path(name_ + QStringLiteral(".key")),
                    QStringLiteral("-CAcreateserial"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"),
                    extensions.fileName(), QStringLiteral("-out"), Path(name + QStringLiteral(".crt"))});
}

QString TestAuthority::OpenSsl(const QStringList& arguments)
{
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit || openssl.exitCode() != 0)
        return QStringLiteral("openssl %1 failed: %2")
            .arg(arguments.first(), QString::fromLocal8Bit(openssl.readAllStandardError()).trimmed());
    return QString();
}
