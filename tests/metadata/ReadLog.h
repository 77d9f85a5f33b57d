#pragma once
// A positioned reader over an in-memory clip that records every read, so that tests
// can see what the readers asked for.

#include "PositionedReader.h"

#include <QList>

namespace vidorra::test {

struct ReadCall {
    qint64 offset = 0;
    qint64 count = 0;
    qint64 got = 0;
};

class LoggingReader final : public PositionedReader {
public:
    explicit LoggingReader(QByteArray bytes) : inner(std::move(bytes)) {}
    qint64 size() override { return inner.size(); }
    QByteArray readAt(qint64 offset, qint64 count) override
    {
        QByteArray out = inner.readAt(offset, count);
        account(out.size());
        log.append({offset, count, out.size()});
        return out;
    }
    QList<ReadCall> log;

private:
    MemoryReader inner;
};

} // namespace vidorra::test
