#include "LotReference.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

namespace {

// A field of a command: 'x' then its bytes in hexadecimal.
QByteArray Champ(const QByteArray& octets) {
    return 'x' + octets.toHex();
}

QByteArray CheminWindows(const QString& fichier) {
    return "Z:" + QFileInfo(fichier).absoluteFilePath().replace(QLatin1Char('/'), QLatin1Char('\\')).toUtf8();
}

} // namespace

QString LuReference::Texte() const {
    return QString(reinterpret_cast<const QChar*>(octets.constData()), octets.size() / 2);
}

std::size_t LotReference::Ajouter(const QByteArray& commande) {
    commandes_.push_back(commande);
    return commandes_.size() - 1;
}

std::size_t LotReference::LireA(const QString& fichier, const QByteArray& section, const QByteArray& cle) {
    return Ajouter("A " + Champ(CheminWindows(fichier)) + ' ' + Champ(section) + ' ' + Champ(cle));
}

std::size_t LotReference::LireW(const QString& fichier, const QString& section, const QString& cle) {
    return Ajouter("W " + Champ(CheminWindows(fichier)) + ' ' + Champ(section.toUtf8()) + ' ' + Champ(cle.toUtf8()));
}

std::size_t LotReference::EcrireA(const QString& fichier, const QByteArray& section, const QByteArray& cle,
                                  const QByteArray& valeur) {
    return Ajouter("E " + Champ(CheminWindows(fichier)) + ' ' + Champ(section) + ' ' + Champ(cle) + ' ' +
                   Champ(valeur));
}

std::size_t LotReference::EcrireW(const QString& fichier, const QString& section, const QString& cle,
                                  const QString& valeur) {
    return Ajouter("F " + Champ(CheminWindows(fichier)) + ' ' + Champ(section.toUtf8()) + ' ' + Champ(cle.toUtf8()) +
                   ' ' + Champ(valeur.toUtf8()));
}

bool LotReference::Executer(const QString& dossier, QString& erreur) {
    const QString commandes = dossier + QStringLiteral("/commandes.txt");
    const QString resultats = dossier + QStringLiteral("/resultats.txt");
    QFile fichier(commandes);
    if (!fichier.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        erreur = fichier.errorString();
        return false;
    }
    for (const QByteArray& commande : commandes_) {
        fichier.write(commande + '\n');
    }
    fichier.close();
    QFile::remove(resultats);

    // Wine's own prefix in the build folder, created by the first start.
    // Mono and Gecko are not wanted: a console program needs neither.
    QProcessEnvironment environnement = QProcessEnvironment::systemEnvironment();
    environnement.insert(QStringLiteral("WINEPREFIX"), QStringLiteral(QUILVAREST_WINEPREFIX));
    environnement.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    environnement.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    environnement.remove(QStringLiteral("DISPLAY"));
    QProcess wine;
    wine.setProcessEnvironment(environnement);
    wine.setProcessChannelMode(QProcess::MergedChannels);
    wine.start(QStringLiteral(QUILVAREST_WINE),
               {QStringLiteral(QUILVAREST_REFERENCE_EXE), QString::fromUtf8(CheminWindows(commandes)),
                QString::fromUtf8(CheminWindows(resultats))});
    if (!wine.waitForFinished(-1) || wine.exitStatus() != QProcess::NormalExit || wine.exitCode() != 0) {
        erreur = QStringLiteral("Wine : %1, code %2\n%3")
                     .arg(wine.errorString())
                     .arg(wine.exitCode())
                     .arg(QString::fromLocal8Bit(wine.readAll()));
        return false;
    }

    QFile lus(resultats);
    if (!lus.open(QIODevice::ReadOnly)) {
        erreur = QStringLiteral("résultats absents : ") + lus.errorString();
        return false;
    }
    const QList<QByteArray> lignes = lus.readAll().split('\n');
    if (lignes.size() < static_cast<qsizetype>(commandes_.size()) + 1 || !lignes[0].startsWith("page ")) {
        erreur = QStringLiteral("%1 résultats pour %2 appels").arg(lignes.size() - 1).arg(commandes_.size());
        return false;
    }
    page_ = lignes[0].mid(5).toUInt();
    resultats_.clear();
    for (std::size_t i = 0; i < commandes_.size(); ++i) {
        const QByteArray& ligne = lignes[static_cast<qsizetype>(i) + 1];
        LuReference lu;
        lu.present = ligne.startsWith('=');
        lu.octets = lu.present ? QByteArray::fromHex(ligne.mid(1)) : ligne;
        resultats_.push_back(lu);
    }
    return true;
}
