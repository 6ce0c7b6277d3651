// The device watch in the Qt loop on Linux, on a folder of the test's own:
// the changes a port's path goes through when its device comes back.
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/qt/DeviceWatcher.h"

class DeviceWatcherTest : public QObject {
  Q_OBJECT

 private slots:
  void reportsThePathComingBack_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<std::function<void(QDir&)>>("comeBack");
    // A restarted simulator renames a new link over the old one.
    QTest::newRow("link replaced") << "link" << std::function<void(QDir&)>([](QDir& dir) {
      QFile::link("/dev/null", dir.filePath("link.new"));
      ::rename(dir.filePath("link.new").toUtf8(), dir.filePath("link").toUtf8());
    });
    // A device manager's link folder that came back only with the device.
    QTest::newRow("folders made on the way")
        << "by-id/usb/adapter" << std::function<void(QDir&)>([](QDir& dir) {
             dir.mkpath("by-id/usb");
             QFile(dir.filePath("by-id/usb/adapter")).open(QIODevice::WriteOnly);
           });
    // A node whose permissions are given after it was made.
    QTest::newRow("permissions given") << "node" << std::function<void(QDir&)>([](QDir& dir) {
      QFile(dir.filePath("node")).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    });
  }
  // Other names in the folder tell nothing; the path's change tells once.
  void reportsThePathComingBack() {
    QFETCH(QString, port);
    QFETCH(std::function<void(QDir&)>, comeBack);
    QTemporaryDir temp;
    QDir dir(temp.path());
    QFile(dir.filePath("node")).open(QIODevice::WriteOnly);
    TDeviceWatcher watcher;
    QCOMPARE(watcher.Watch(dir.filePath(port).toStdString()), 0);
    QSignalSpy changed(&watcher, &TDeviceWatcher::Changed);
    // A second watch on another name of the folder tells when the first has
    // had the chance to hear of that name too.
    TDeviceWatcher other;
    QCOMPARE(other.Watch(dir.filePath("unrelated").toStdString()), 0);
    QSignalSpy otherChanged(&other, &TDeviceWatcher::Changed);
    QFile(dir.filePath("unrelated")).open(QIODevice::WriteOnly);
    QVERIFY(otherChanged.wait(10000));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QCOMPARE(changed.count(), 0);
    comeBack(dir);
    QVERIFY(changed.wait(10000));
    QCoreApplication::processEvents();
    QCOMPARE(changed.count(), 1);

    // Stopped, it tells nothing more.
    watcher.Stop();
    comeBack(dir);
    QFile(dir.filePath("after")).open(QIODevice::WriteOnly);
    QVERIFY(!changed.wait(100));
  }
};

QTEST_GUILESS_MAIN(DeviceWatcherTest)
#include "DeviceWatcherTest.moc"
