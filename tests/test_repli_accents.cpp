#include "RepliSansAccent.h"

#include <QHash>
#include <QtTest>

namespace {

// The letters of Latin-1 and Latin Extended-A that Unicode does not decompose,
// with the base letters a French reader sees in them. Every other letter's
// folding is derived from its Unicode decomposition below. An empty folding
// keeps the character: there is no base letter to compare it with.
const QHash<char16_t, QString> kSansDecomposition = {
    {u'Æ', "AE"}, {u'æ', "AE"}, {u'Œ', "OE"}, {u'œ', "OE"}, {u'ß', "SS"}, // ligatures
    {u'Ð', "D"},  {u'ð', "D"},  {u'Đ', "D"},  {u'đ', "D"},                // eth, D with stroke
    {u'Ø', "O"},  {u'ø', "O"},  {u'Ħ', "H"},  {u'ħ', "H"},                // letters with stroke
    {u'Ł', "L"},  {u'ł', "L"},  {u'Ŧ', "T"},  {u'ŧ', "T"},  {u'ı', "I"},  // and the dotless i
    {u'Þ', ""},   {u'þ', ""},   {u'ĸ', ""},   {u'Ŋ', ""},   {u'ŋ', ""},   // no base letter
};

// The folding of c: the upper-case base letters of its compatibility
// decomposition (marks, the apostrophe of ŉ and the middle dot of ŀ
// dropped), or the named folding of a letter Unicode leaves whole, or
// nothing for a symbol (× ÷).
QString ReplieAttendu(char16_t c) {
    if (kSansDecomposition.contains(c)) {
        return kSansDecomposition.value(c);
    }
    const QString decomposee = QString(QChar(c)).normalized(QString::NormalizationForm_KD);
    QString lettres;
    for (const QChar lettre : decomposee) {
        if (lettre.category() == QChar::Letter_Uppercase || lettre.category() == QChar::Letter_Lowercase) {
            lettres += lettre.toUpper();
        }
    }
    return lettres;
}

int Comparer(const QString& a, const QString& b) {
    const QByteArray utf8A = a.toUtf8();
    const QByteArray utf8B = b.toUtf8();
    return ComparerSansAccent(utf8A.constData(), static_cast<std::size_t>(utf8A.size()), utf8B.constData(),
                              static_cast<std::size_t>(utf8B.size()));
}

} // namespace

// The accent folding every search relies on, checked letter by letter against
// Unicode rather than against a copy of the program's table.
class TestRepliAccents : public QObject {
    Q_OBJECT

private slots:
    void lettresLatines_data() {
        QTest::addColumn<QString>("caractere");
        QTest::addColumn<QString>("replie");
        for (char16_t c = 0xC0; c <= 0x17F; ++c) {
            const QString nom = QStringLiteral("U+%1 %2").arg(c, 4, 16, QLatin1Char('0')).arg(QChar(c));
            QTest::newRow(qPrintable(nom)) << QString(QChar(c)) << ReplieAttendu(c);
        }
    }

    void lettresLatines() {
        QFETCH(QString, caractere);
        QFETCH(QString, replie);
        if (replie.isEmpty()) {
            // Kept whole: equal only to itself, never to a letter or a pair.
            QCOMPARE(Comparer(caractere, caractere), 0);
            for (char lettre = 'A'; lettre <= 'Z'; ++lettre) {
                QVERIFY(Comparer(caractere, QString(QLatin1Char(lettre))) != 0);
            }
            return;
        }
        QCOMPARE(Comparer(caractere, replie), 0);
        QCOMPARE(Comparer(replie, caractere), 0);
        QCOMPARE(Comparer(caractere, replie.toLower()), 0);
        // One letter more or less is never equal: the folding is whole.
        QVERIFY(Comparer(caractere, replie + QLatin1Char('A')) < 0);
        QVERIFY(Comparer(caractere, replie.left(replie.size() - 1)) > 0);
    }
};

QTEST_APPLESS_MAIN(TestRepliAccents)
#include "test_repli_accents.moc"
