#pragma once

// A question to something that may be slow to answer (the print system), asked off the window's
// thread: the window never waits for it. The answer is handed to `answer` on the window's thread
// once it comes, while `context` lives; after `patience` without one, `no_answer` is called
// instead and a late answer is dropped. The thread that asks is left to end by itself: a question
// that never returns costs a thread, never the window.

#include "guard.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <thread>

template <typename Answer>
void ask_in_background(QObject* context, std::function<Answer()> question,
    std::function<void(const Answer&)> answer, std::chrono::milliseconds patience,
    std::function<void()> no_answer)
{
    std::promise<Answer> promise;
    auto coming = std::make_shared<std::future<Answer>>(promise.get_future());
    std::thread([promise = std::move(promise), question = std::move(question)]() mutable {
        try {
            promise.set_value(question());
        } catch (...) {
            promise.set_exception(std::current_exception());
        }
    }).detach();
    auto* poll = new QTimer(context);
    auto waited = std::make_shared<QElapsedTimer>();
    waited->start();
    QObject::connect(poll, &QTimer::timeout, context,
        [poll, coming, waited, patience, answer = std::move(answer),
            no_answer = std::move(no_answer)] {
            const bool ready
                = coming->wait_for(std::chrono::seconds(0)) == std::future_status::ready;
            if (!ready && waited->elapsed() < patience.count())
                return;
            poll->deleteLater();
            poll->disconnect();
            call_guarded("an answer of the print system", [&] {
                bool answered = false;
                if (ready) {
                    try {
                        const Answer got = coming->get();
                        answered = true;
                        answer(got);
                    } catch (...) {
                        if (answered)
                            throw;
                    }
                }
                if (!answered)
                    no_answer();
            });
        });
    poll->start(50);
}
