#pragma once

#include <QString>
#include <QStringList>

// A certificate authority of the tests' own, made in a folder by the openssl
// program, that issues server certificates for a host name.
class TestAuthority {
public:
    TestAuthority(const QString& folder, const QString& name);

    // Empty when the authority was made, or why not.
    QString Problem() const { return problem_; }
    QString Certificate() const;
    // Issues NAME.crt and NAME.key for a server known as hostName; empty, or why not.
    QString IssueServer(const QString& name, const QString& hostName);
    QString Path(const QString& file) const;

private:
    QString OpenSsl(const QStringList& arguments);

    QString folder_;
    QString name_;
    QString problem_;
};
