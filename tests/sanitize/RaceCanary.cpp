// Built and run by the ThreadSanitizer stage only: a deliberate race between a worker thread and an
// event handler on the main thread, delivered through Qt's posted events as the player's and the
// HTTP client's results are. Its test passes only when ThreadSanitizer, with the run's
// suppressions, still reports this file: proof that they leave a race in our code visible.

#include <QCoreApplication>
#include <QEvent>

#include <thread>

namespace {
int shared = 0; // written by both threads with nothing to order the writes

class Receiver final : public QObject {
public:
    bool event(QEvent *e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++shared;
        QCoreApplication::quit();
        return true;
    }
};
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Receiver receiver;
    std::thread worker([&receiver] {
        QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
        ++shared; // after the post, so the event's hand-over does not order it
    });
    const int status = app.exec();
    worker.join();
    return status;
}
