#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QString>
#include <QTest>

// The session's character set is found once per process from the
// environment, so a case that needs a given set runs in a child: this test
// executable started again for the current case only, with LC_ALL naming the
// locale. The locales come from the build folder (QUILVAREST_LOCPATH, compiled
// there with localedef), so no system-wide set-up is needed. "C" needs none.

// True in the child started for locale: the case then does its checks.
inline bool DansSession(const QString& locale) {
    return qEnvironmentVariable("QUILVAREST_SESSION_ENFANT") == locale;
}

// Runs the current case again in a child whose session is locale, and fails
// unless the child passed it.
inline void RelancerDansSession(const QString& locale) {
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    for (const char* variable : {"LANG", "LANGUAGE", "LC_CTYPE", "LC_MESSAGES"}) {
        environnement.remove(QString::fromLatin1(variable));
    }
    environnement.insert(QStringLiteral("LC_ALL"), locale);
    environnement.insert(QStringLiteral("LOCPATH"), QStringLiteral(QUILVAREST_LOCPATH));
    environnement.insert(QStringLiteral("QUILVAREST_SESSION_ENFANT"), locale);
    QProcess enfant;
    enfant.setProcessEnvironment(environnement);
    enfant.setProcessChannelMode(QProcess::MergedChannels);
    const QString fonction = QString::fromLatin1(QTest::currentTestFunction());
    const QString ligne = QString::fromUtf8(QTest::currentDataTag());
    enfant.start(QCoreApplication::applicationFilePath(), {ligne.isEmpty() ? fonction : fonction + ':' + ligne});
    QVERIFY2(enfant.waitForFinished(-1), qPrintable(enfant.errorString()));
    const QString sortie = QString::fromLocal8Bit(enfant.readAll());
    QVERIFY2(enfant.exitStatus() == QProcess::NormalExit && enfant.exitCode() == 0, qPrintable(sortie));
    // Passed in the child, not skipped there.
    const QRegularExpression passe(QStringLiteral("^PASS   : \\w+::") +
                                       QRegularExpression::escape(fonction + '(' + ligne + ')') + '$',
                                   QRegularExpression::MultilineOption);
    QVERIFY2(passe.match(sortie).hasMatch(), qPrintable(sortie));
}
