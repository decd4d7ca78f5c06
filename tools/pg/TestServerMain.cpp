// korvexc-pg-server FOLDER: a PostgreSQL server of its own that takes TLS
// connections only, for the Windows checks. It makes a certificate authority
// in FOLDER (line-ca.crt) and a server certificate for localhost, prints the
// record's URL, and runs until it is sent SIGTERM or SIGINT, then stops the
// server and removes its data.
#include "PostgresServer.h"
#include "TestAuthority.h"

#include <QCoreApplication>
#include <QTextStream>
#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    // Taken by the wait below rather than ending the process with the server left running.
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGTERM);
    sigaddset(&stopping, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    QTextStream err(stderr);
    if (arguments.size() != 2) {
        err << "usage: korvexc-pg-server FOLDER\n";
        return 2;
    }
    TestAuthority authority(arguments[1], QStringLiteral("line-ca"));
    QString problem = authority.Problem();
    if (problem.isEmpty())
        problem = authority.IssueServer(QStringLiteral("server"), QStringLiteral("localhost"));
    PostgresServer server;
    if (problem.isEmpty())
        problem = server.RequireTls(authority.Path(QStringLiteral("server.crt")), authority.Path(QStringLiteral("server.key")));
    if (problem.isEmpty())
        problem = server.Start();
    if (!problem.isEmpty()) {
        err << "korvexc-pg-server: " << problem << '\n';
        return 1;
    }
    std::printf("%s\n", qPrintable(QString(server.Url()).replace(QStringLiteral("127.0.0.1"), QStringLiteral("localhost"))));
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stopping, &signal);
    return 0;
}
