#include <QTest>
class AppTest : public QObject { Q_OBJECT };
QTEST_MAIN(AppTest)
#include "test_app.moc"
