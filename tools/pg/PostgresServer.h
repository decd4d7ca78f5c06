#pragma once

#include <QString>
#include <QTemporaryDir>

// A PostgreSQL server of its own for the tests and the benchmarks: Debian's
// server programs, a temporary data folder, a free localhost port, run as an
// unprivileged user (nobody, when started by root), trusted local logins.
class PostgresServer {
public:
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Makes the data folder and the database on the first call, then starts
    // the server; empty when it runs, or why not.
    QString Start();
    // Before the first Start: the server then takes TLS connections only,
    // with this certificate and key (PEM files), and passwords from all but
    // its superuser; empty, or why not.
    QString RequireTls(const QString& certificate, const QString& key);
    // Runs statements as the server's superuser; empty, or why they failed.
    QString Sql(const QString& statements);
    // A fast shutdown: connections are cut, what was committed stays.
    void Stop();
    // postgresql://korvexc@127.0.0.1:PORT/line
    QString Url() const;

private:
    QString Run(const QString& program, const QStringList& arguments);
    QString HandToServer(const QString& path);
    QString MakeData(const QString& data);

    QTemporaryDir folder_;
    QString bin_;
    int port_ = 0;
    bool made_ = false;
    bool running_ = false;
    bool tls_ = false;
};
