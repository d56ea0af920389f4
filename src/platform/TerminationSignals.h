#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT (a desktop sends SIGTERM at logout) into a Qt signal delivered by the event
// loop, so that the program shuts down through its normal path instead of dying mid-write.
class TerminationSignals final : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    void drain();

    QSocketNotifier* m_notifier = nullptr;
};
