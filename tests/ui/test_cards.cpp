// Clip cards, pile cards and chaos tiles driven with real pointer events: scrubbing with
// the shared scrub player, clicks with their modifiers, the context menu, grading
// choices, the entrance, the texts and colours, and the tile's fallback to a still.

#include "helpers/CardTestHelpers.h"

#include "CardIcon.h"
#include "CardReveal.h"
#include "CardText.h"
#include "ChaosTile.h"
#include "ClipCard.h"
#include "ClipFixture.h"
#include "Palette.h"
#include "PileCard.h"
#include "Selection.h"

#include "preview/CoverLoader.h"
#include "preview/LUTEngine.h"
#include "preview/PreviewPlayer.h"
#include "preview/TilePlayer.h"
#include "text/Language.h"

#include <QApplication>
#include <QGridLayout>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace vidorra;
using cardtest::dlogInfo;
using cardtest::planned;

namespace {

QStringList menuTexts(QMenu *menu)
{
    QStringList out;
    for (QAction *a : menu->actions())
        if (!a->isSeparator())
            out << a->text();
    return out;
}

QAction *menuAction(QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions())
        if (a->text() == text)
            return a;
    return nullptr;
}

void enter(QWidget *w, QPoint at)
{
    QEnterEvent e(at, w->mapToGlobal(at), w->mapToGlobal(at));
    QApplication::sendEvent(w, &e);
}

void leave(QWidget *w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

// A card of 320 x (180 + 58), shown.
struct ShownCard {
    QWidget host;
    ClipCard *card;
    explicit ShownCard(const Planned &item, int order = 30)
    {
        card = new ClipCard(&host);
        card->setClip(item, order);
        card->setGeometry(0, 0, 320, card->heightForWidth(320));
        host.resize(340, 260);
        host.show();
    }
};


} // namespace

// ---- texts ----

TEST(CardText, TimeLabelDetailsAndRanges)
{
    EXPECT_EQ(cardTimeText(125.6, std::nullopt), QStringLiteral("2:06"));
    EXPECT_EQ(cardTimeText(59.5, std::nullopt), QStringLiteral("1:00"));
    EXPECT_EQ(cardTimeText(125.6, 0.5), QStringLiteral("1:02"));   // 62.8 cut to 62
    EXPECT_EQ(cardTimeText(125.6, 1.7), QStringLiteral("2:05"));   // clamped, then cut
    EXPECT_EQ(cardTimeText(std::nan(""), std::nullopt), QStringLiteral("0:00"));

    EXPECT_EQ(cardDetails(dlogInfo()).parts, QStringLiteral("4K 30 fps · ISO 400"));
    EXPECT_EQ(cardDetails(dlogInfo()).kelvin, QStringLiteral("5600K"));
    ClipInfo slow = dlogInfo(QString(), 0);
    slow.captureFPS = 120;
    EXPECT_EQ(cardDetails(slow).parts, QStringLiteral("4K 120 fps"));
    EXPECT_TRUE(cardDetails(slow).kelvin.isEmpty());
    ClipInfo bare;
    bare.recognized = false;
    EXPECT_EQ(cardDetails(bare).parts, QStringLiteral("No Data"));
    bare.kelvin = QStringLiteral("AUTO");
    EXPECT_TRUE(cardDetails(bare).parts.isEmpty()); // the white balance alone is something

    EXPECT_EQ(rangeText({100, 400, 200}), QStringLiteral("100–400"));
    EXPECT_EQ(rangeText({100}), QStringLiteral("100"));
    EXPECT_EQ(rangeText({5600, 5600}, QStringLiteral("K")), QStringLiteral("5600K"));
    EXPECT_FALSE(rangeText({}));

    EXPECT_EQ(entranceDelayMs(0), 0);
    EXPECT_EQ(entranceDelayMs(10), 150);
    EXPECT_EQ(entranceDelayMs(23), 345);
    EXPECT_FALSE(entranceDelayMs(24));
}

TEST(CardText, PileLinesSkipMissingValues)
{
    const QList<Planned> pile = {planned(dlogInfo(QStringLiteral("5600"), 100, 60.2), "/a.mp4", 1'000'000),
                                 planned(dlogInfo(QStringLiteral("AUTO"), 400, 30.0), "/b.mp4", 2'000'000),
                                 planned(dlogInfo(QStringLiteral("4300"), 200, 5.0), "/c.mp4", 500'000)};
    EXPECT_EQ(pileSettingsLine(pile), QStringLiteral("ISO 100–400 · 4300–5600K"));
    EXPECT_TRUE(pileTotalsLine(pile).endsWith(QStringLiteral(" · 1:35"))) << pileTotalsLine(pile).toStdString();
    EXPECT_TRUE(pileTotalsLine(pile).startsWith(QStringLiteral("3.5"))) << pileTotalsLine(pile).toStdString();

    const QList<Planned> noIso = {planned(dlogInfo(QString(), 0)), planned(dlogInfo(QStringLiteral("5.5"), 0))};
    EXPECT_EQ(pileSettingsLine(noIso), QString());
    EXPECT_EQ(pileSettingsLine({planned(dlogInfo(QStringLiteral("x"), 100))}), QStringLiteral("ISO 100"));
}

TEST(Palette, TemperatureColourNeutralBlueAmberAndUnreadable)
{
    for (Scheme s : {Scheme::Light, Scheme::Dark}) {
        const QColor neutral = s == Scheme::Light ? QColor(110, 106, 102) : QColor(154, 163, 178);
        const QColor blue = s == Scheme::Light ? QColor(31, 102, 224) : QColor(125, 181, 255);
        const QColor amber = s == Scheme::Light ? QColor(184, 120, 0) : QColor(255, 201, 77);
        EXPECT_EQ(temperatureColor(QStringLiteral("5100"), s).rgb(), neutral.rgb());
        EXPECT_EQ(temperatureColor(QStringLiteral("4801"), s).rgb(), neutral.rgb());
        EXPECT_EQ(temperatureColor(QStringLiteral("3000"), s).rgb(), blue.rgb());
        EXPECT_EQ(temperatureColor(QStringLiteral("3500"), s).rgb(), blue.rgb());
        EXPECT_EQ(temperatureColor(QStringLiteral("6500"), s).rgb(), amber.rgb());
        EXPECT_EQ(temperatureColor(QStringLiteral("AUTO"), s), Glass::secondary().in(s));
        EXPECT_EQ(temperatureColor(QString(), s), Glass::secondary().in(s));
        // Half-way: d = 850 gives t = 0.5^0.6.
        const QColor mid = temperatureColor(QStringLiteral("4150"), s);
        const double t = std::pow(0.5, 0.6);
        EXPECT_NEAR(mid.red(), neutral.red() + (blue.red() - neutral.red()) * t, 1.0);
        EXPECT_NEAR(mid.blue(), neutral.blue() + (blue.blue() - neutral.blue()) * t, 1.0);
    }
}

// ---- clip card ----

TEST(ClipCard, HoverScrubsTheSharedPlayerAndLeavingStopsIt)
{
    // A file that cannot be opened: the player keeps the asked position pending.
    const Planned item = planned(dlogInfo(QStringLiteral("5600"), 400, 125.6));
    ShownCard shown(item);
    ClipCard *card = shown.card;
    const QRectF pic = card->pictureRect();
    EXPECT_EQ(pic.size(), QSizeF(320, 180));
    EXPECT_EQ(card->timeText(), QStringLiteral("2:06"));

    QSignalSpy hovers(card, &ClipCard::hoverChanged);
    enter(card, QPoint(10, 10));
    ASSERT_EQ(hovers.size(), 1);
    EXPECT_TRUE(hovers.at(0).at(1).toBool());

    QTest::mouseMove(card, QPoint(80, 90));
    EXPECT_EQ(PreviewPlayer::owner(), item.id);
    ASSERT_TRUE(PreviewPlayer::pendingTarget());
    EXPECT_DOUBLE_EQ(*PreviewPlayer::pendingTarget(), 0.25);
    EXPECT_EQ(card->scrubPosition(), 0.25);
    EXPECT_EQ(card->timeText(), QStringLiteral("0:31")); // 31.4 s cut to 31

    QTest::mouseMove(card, QPoint(319, 90));
    EXPECT_NEAR(*PreviewPlayer::pendingTarget(), 319.0 / 320.0, 1e-12);

    // Below the picture (over the texts) the scrub ends, and the duration is back.
    QTest::mouseMove(card, QPoint(100, 200));
    EXPECT_FALSE(PreviewPlayer::owner());
    EXPECT_FALSE(card->scrubPosition());
    EXPECT_EQ(card->timeText(), QStringLiteral("2:06"));

    QTest::mouseMove(card, QPoint(160, 90));
    EXPECT_EQ(PreviewPlayer::owner(), item.id);
    leave(card);
    EXPECT_FALSE(PreviewPlayer::owner());
    EXPECT_FALSE(hovers.last().at(1).toBool());
}

TEST(ClipCard, ScrubbingARealClipShowsTheFrameUnderThePointer)
{
    const QString folder = cardtest::freshFolder();
    const Planned item = cardtest::clipOnDisk(folder, QStringLiteral("DJI_0001.MP4"), true, 4.0);
    ASSERT_FALSE(item.url.isEmpty());
    ShownCard shown(item);
    enter(shown.card, QPoint(10, 10));
    QSignalSpy seeks(PreviewPlayer::source(), &ScrubSource::seekIssued);
    QTest::mouseMove(shown.card, QPoint(240, 90)); // three quarters across: 3.0 s
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return !seeks.isEmpty() && !PreviewPlayer::isSeeking() && !PreviewPlayer::pendingTarget();
    }, 15000));
    EXPECT_DOUBLE_EQ(seeks.last().at(0).toDouble(), 3.0);
    const QImage frame = PreviewPlayer::source()->frame().convertToFormat(QImage::Format_RGBA8888);
    EXPECT_NEAR(fixture::frameNumberOf(frame.constBits(), frame.width(), frame.height(), frame.bytesPerLine()), 90, 2);
    EXPECT_EQ(shown.card->timeText(), QStringLiteral("0:03"));
    cardtest::shoot(&shown.host, QStringLiteral("card-scrubbing"));

    // Hiding the card (it scrolled away) ends the scrub too.
    shown.card->hide();
    EXPECT_FALSE(PreviewPlayer::owner());
    EXPECT_FALSE(shown.card->scrubPosition());
}

TEST(ClipCard, ClicksCarryTheirModifiersAndADoubleClickAlsoPlays)
{
    const Planned item = planned(dlogInfo());
    ShownCard shown(item);
    QSignalSpy clicks(shown.card, &ClipCard::clicked);
    QSignalSpy plays(shown.card, &ClipCard::playRequested);

    QTest::mouseClick(shown.card, Qt::LeftButton, {}, QPoint(100, 200));
    QTest::mouseClick(shown.card, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 50));
    QTest::mouseClick(shown.card, Qt::LeftButton, Qt::ControlModifier, QPoint(100, 50));
    ASSERT_EQ(clicks.size(), 3);
    EXPECT_EQ(clicks.at(0).at(0).value<Planned>().id, item.id);
    EXPECT_EQ(clicks.at(0).at(1).value<Qt::KeyboardModifiers>(), Qt::NoModifier);
    EXPECT_EQ(clicks.at(1).at(1).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
    EXPECT_EQ(clicks.at(2).at(1).value<Qt::KeyboardModifiers>(), Qt::ControlModifier);
    EXPECT_EQ(plays.size(), 0);

    clicks.clear();
    QTest::mouseClick(shown.card, Qt::LeftButton, {}, QPoint(100, 50));
    QTest::mouseDClick(shown.card, Qt::LeftButton, {}, QPoint(100, 50));
    EXPECT_EQ(clicks.size(), 1); // the first click of the pair selects, once
    EXPECT_EQ(plays.size(), 1);

    // A drag across the picture scrubs and is not a click.
    clicks.clear();
    QTest::mousePress(shown.card, Qt::LeftButton, {}, QPoint(20, 50));
    QTest::mouseMove(shown.card, QPoint(60, 50));
    QTest::mouseRelease(shown.card, Qt::LeftButton, {}, QPoint(60, 50));
    EXPECT_EQ(clicks.size(), 0);
}

TEST(ClipCard, ClicksWithShiftAndCtrlDriveTheWindowSelection)
{
    // Four cards A to D in a row, wired to the selection rule as the window wires them.
    QWidget host;
    host.resize(4 * 210, 200);
    QList<ClipCard *> cards;
    QList<QUuid> ordered;
    SelectionState state;
    for (int i = 0; i < 4; ++i) {
        auto *card = new ClipCard(&host);
        const Planned item = planned(dlogInfo(), QStringLiteral("/n/%1.mp4").arg(i));
        card->setClip(item, 30 + i);
        card->setGeometry(i * 210, 0, 200, card->heightForWidth(200));
        ordered << item.id;
        cards << card;
    }
    auto apply = [&] {
        for (ClipCard *c : cards)
            c->setSelected(state.selection.contains(c->clip()->id));
    };
    for (ClipCard *card : cards)
        QObject::connect(card, &ClipCard::clicked, &host, [&](const Planned &item, Qt::KeyboardModifiers mods) {
            state = clickSelection(state, item.id, ordered, mods);
            apply();
        });
    host.show();
    auto selected = [&] {
        QList<bool> out;
        for (ClipCard *c : cards)
            out << c->isSelected();
        return out;
    };

    QTest::mouseClick(cards[0], Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseClick(cards[3], Qt::LeftButton, Qt::ShiftModifier, QPoint(50, 50));
    EXPECT_EQ(selected(), (QList<bool>{true, true, true, true}));
    QTest::mouseClick(cards[1], Qt::LeftButton, Qt::ShiftModifier, QPoint(50, 50));
    EXPECT_EQ(selected(), (QList<bool>{true, true, false, false})); // the anchor stayed on A
    QTest::mouseClick(cards[1], Qt::LeftButton, Qt::ControlModifier, QPoint(50, 50));
    EXPECT_EQ(selected(), (QList<bool>{true, false, false, false}));
    EXPECT_EQ(state.anchor, ordered[1]);
}

TEST(ClipCard, ContextMenuOffersToDeleteTheWholeSelection)
{
    const Planned item = planned(dlogInfo());
    ShownCard shown(item);
    ClipCard *card = shown.card;
    QSignalSpy trash(card, &ClipCard::trashRequested);
    QSignalSpy plays(card, &ClipCard::playRequested);
    QStringList revealed;
    setRevealHandler([&](const QStringList &paths) { revealed = paths; });

    card->setSelected(true);
    card->setSelectionCount(3);
    std::unique_ptr<QMenu> menu(card->makeContextMenu());
    EXPECT_EQ(menuTexts(menu.get()),
              (QStringList{QStringLiteral("Play"), QStringLiteral("Show in Finder"), QStringLiteral("Delete 3 Clips")}));
    menuAction(menu.get(), QStringLiteral("Delete 3 Clips"))->trigger();
    ASSERT_EQ(trash.size(), 1);
    EXPECT_EQ(trash.at(0).at(0).value<Planned>().id, item.id);
    menuAction(menu.get(), QStringLiteral("Play"))->trigger();
    EXPECT_EQ(plays.size(), 1);
    menuAction(menu.get(), QStringLiteral("Show in Finder"))->trigger();
    EXPECT_EQ(revealed, QStringList{item.url});

    card->setSelected(false);
    menu.reset(card->makeContextMenu());
    EXPECT_EQ(menuTexts(menu.get()).last(), QStringLiteral("Delete"));
    card->setSelected(true);
    card->setSelectionCount(1);
    menu.reset(card->makeContextMenu());
    EXPECT_EQ(menuTexts(menu.get()).last(), QStringLiteral("Delete"));

    // A real right-click opens it.
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(50, 50), card->mapToGlobal(QPoint(50, 50)));
    QApplication::sendEvent(card, &event);
    QMenu *popup = card->findChild<QMenu *>();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    popup->close();
    setRevealHandler({});
}

TEST(ClipCard, IconsShowOnHoverAndTheColourChoiceYieldsToTheWindowSwitch)
{
    const Planned item = planned(dlogInfo());
    ShownCard shown(item);
    ClipCard *card = shown.card;
    ASSERT_TRUE(LUTEngine::cube(item.info));
    EXPECT_FALSE(card->colorIcon()->isVisible());
    enter(card, QPoint(10, 200));
    EXPECT_TRUE(card->colorIcon()->isVisible());
    EXPECT_TRUE(card->playIcon()->isVisible());
    EXPECT_TRUE(card->revealIcon()->isVisible());
    EXPECT_EQ(card->colorIcon()->toolTip(), QStringLiteral("Color"));

    EXPECT_FALSE(card->lutOn());
    EXPECT_FALSE(card->cube());
    QTest::mouseClick(card->colorIcon(), Qt::LeftButton);
    EXPECT_EQ(card->lutOverride(), true);
    EXPECT_TRUE(card->colorIcon()->isActive());
    EXPECT_EQ(card->cube(), LUTEngine::dLog());

    card->setGlobalLUT(true); // the window's "Color" tool
    EXPECT_FALSE(card->lutOverride());
    EXPECT_TRUE(card->lutOn());
    QTest::mouseClick(card->colorIcon(), Qt::LeftButton);
    EXPECT_EQ(card->lutOverride(), false);
    card->setGlobalLUT(false);
    EXPECT_FALSE(card->lutOverride());
    EXPECT_FALSE(card->lutOn());

    QSignalSpy plays(card, &ClipCard::playRequested);
    QTest::mouseClick(card->playIcon(), Qt::LeftButton);
    EXPECT_EQ(plays.size(), 1);

    // A clip that takes no grading has no colour icon.
    ClipInfo normal = dlogInfo();
    normal.colorCode = 0;
    normal.bitDepth = 8;
    normal.gammaText = QStringLiteral("Rec.709");
    ASSERT_FALSE(LUTEngine::cube(normal));
    card->setClip(planned(normal, QStringLiteral("/nonexistent/DJI_0002.MP4")), 31);
    EXPECT_FALSE(card->colorIcon()->isVisible());
    EXPECT_TRUE(card->playIcon()->isVisible());
    EXPECT_EQ(card->toolTip(), QStringLiteral("DJI_0002.MP4"));
}

TEST(ClipCard, EntranceWaitsByPlaceInThePileUpToTheTwentyFourth)
{
    const Planned item = planned(dlogInfo());
    ShownCard late(item, 24);
    EXPECT_TRUE(late.card->hasEntered());
    EXPECT_EQ(late.card->entranceProgress(), 1.0);

    QWidget host;
    auto *early = new ClipCard(&host);
    early->setClip(planned(dlogInfo()), 10);
    early->resize(228, early->heightForWidth(228));
    QElapsedTimer clock;
    clock.start();
    host.show();
    EXPECT_EQ(early->entranceProgress(), 0.0);
    // Nothing moves during the 150 ms delay; the 280 ms rise follows.
    ASSERT_TRUE(QTest::qWaitFor([&] { return early->entranceProgress() > 0.0; }, 3000));
    EXPECT_GE(clock.elapsed(), 150);
    ASSERT_TRUE(QTest::qWaitFor([&] { return early->entranceProgress() >= 1.0; }, 3000));
    EXPECT_GE(clock.elapsed(), 150 + 280);
}

TEST(ClipCard, PictureArrivesForAClipWithACoverAndIsGradedOnRequest)
{
    CoverLoader::clearCache();
    const QString folder = cardtest::freshFolder();
    const Planned item = cardtest::clipOnDisk(folder, QStringLiteral("DJI_0003.MP4"));
    ASSERT_FALSE(item.url.isEmpty());
    QWidget host;
    auto *card = new ClipCard(&host);
    card->setClip(item, 40);
    card->resize(228, card->heightForWidth(228));
    EXPECT_FALSE(card->cover()); // nothing is loaded before the card is on screen
    host.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return card->cover().has_value(); }, 15000));
    const QImage plain = *card->cover();

    card->setGlobalLUT(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return card->cover() && *card->cover() != plain; }, 15000));
    EXPECT_EQ(card->cover()->size(), plain.size());

    // Re-bound to a clip without a picture, the placeholder shows.
    card->setClip(planned(dlogInfo(), QStringLiteral("/nonexistent/x.mp4")), 41);
    EXPECT_FALSE(card->cover());
}

// ---- pile card ----

TEST(PileCard, LinesTotalsAndActions)
{
    const QList<Planned> pile = {planned(dlogInfo(QStringLiteral("5600"), 100, 61.0), "/n/a.mp4", 1'500'000),
                                 planned(dlogInfo(QStringLiteral("3200"), 800, 0.0), "/n/b.mp4", 0)};
    QWidget host;
    auto *card = new PileCard(&host);
    card->setPile(pile, QStringLiteral("30p"), std::nullopt, QStringLiteral("2 clips"), QColor(228, 87, 13), false);
    card->resize(260, card->heightForWidth(260));
    host.show();
    EXPECT_EQ(card->settingsLine(), QStringLiteral("ISO 100–800 · 3200–5600K"));
    EXPECT_TRUE(card->totalsLine().endsWith(QStringLiteral(" · 1:01")));
    EXPECT_EQ(card->countText(), QStringLiteral("2 clips"));

    QSignalSpy open(card, &PileCard::activated);
    QTest::mouseClick(card, Qt::LeftButton, {}, card->rect().center());
    EXPECT_EQ(open.size(), 1);

    QSignalSpy reveal(card, &PileCard::revealRequested);
    QSignalSpy del(card, &PileCard::deleteRequested);
    std::unique_ptr<QMenu> menu(card->makeContextMenu());
    EXPECT_EQ(menuTexts(menu.get()), (QStringList{QStringLiteral("Show in Finder"), QStringLiteral("Delete")}));
    menuAction(menu.get(), QStringLiteral("Show in Finder"))->trigger();
    menuAction(menu.get(), QStringLiteral("Delete"))->trigger();
    EXPECT_EQ(reveal.size(), 1);
    EXPECT_EQ(del.size(), 1);

    enter(card, QPoint(5, 5));
    ASSERT_TRUE(QTest::qWaitFor([&] { return card->lift() >= 1.0; }, 2000));
    leave(card);
    ASSERT_TRUE(QTest::qWaitFor([&] { return card->lift() <= 0.0; }, 2000));
}

// ---- chaos tile ----

TEST(ChaosTile, PlaysWhileShownAndFallsBackToItsStillWhenSixteenPlay)
{
    const QString folder = cardtest::freshFolder();
    const Planned item = cardtest::clipOnDisk(folder, QStringLiteral("DJI_0004.MP4"), true, 2.0);
    ASSERT_FALSE(item.url.isEmpty());
    const int before = TilePlayer::active();

    {
        QWidget host;
        auto *tile = new ChaosTile(&host);
        tile->setClip(item);
        tile->resize(160, 90);
        host.show();
        ASSERT_NE(tile->tile(), nullptr);
        EXPECT_EQ(TilePlayer::active(), before + 1);
        tile->hide();
        EXPECT_EQ(tile->tile(), nullptr);
        EXPECT_EQ(TilePlayer::active(), before);
        tile->show();
        EXPECT_NE(tile->tile(), nullptr);
    }
    EXPECT_EQ(TilePlayer::active(), before); // destroying the tile gives its slot back

    std::vector<std::unique_ptr<TilePlayer>> others;
    while (TilePlayer::active() < TilePlayer::limit) {
        others.push_back(TilePlayer::create(item.url, item.info.duration));
        ASSERT_NE(others.back(), nullptr);
    }
    QWidget host;
    auto *tile = new ChaosTile(&host);
    tile->setClip(item);
    tile->resize(160, 90);
    host.show();
    EXPECT_EQ(tile->tile(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return tile->cover().has_value(); }, 15000));
    for (auto &p : others)
        p->stop();

    // A clip of no length never gets a player.
    ClipInfo still = item.info;
    still.duration = 0;
    Planned zero = item;
    zero.id = QUuid::createUuid();
    zero.info = still;
    tile->setClip(zero);
    EXPECT_EQ(tile->tile(), nullptr);
}

// ---- pictures of the cards ----

TEST(Cards, RenderInBothAppearances)
{
    CoverLoader::clearCache();
    const QString folder = cardtest::freshFolder();
    const Planned withCover = cardtest::clipOnDisk(folder, QStringLiteral("DJI_0005.MP4"));
    ClipInfo slow = dlogInfo(QStringLiteral("3200"), 800, 8.0);
    slow.captureFPS = 120;
    slow.colorCode = 22;
    slow.gammaText = QStringLiteral("D-Log2");
    ClipInfo bare;
    bare.recognized = false;
    for (Scheme scheme : {Scheme::Light, Scheme::Dark}) {
        const QString tag = scheme == Scheme::Dark ? QStringLiteral("dark") : QStringLiteral("light");
        QWidget host;
        cardtest::paint(&host, scheme);
        host.resize(3 * 238 + 10, 520);
        auto *a = new ClipCard(&host);
        a->setClip(withCover, 30);
        a->setGeometry(5, 5, 228, a->heightForWidth(228));
        auto *b = new ClipCard(&host);
        b->setClip(planned(slow, QStringLiteral("/n/DJI_0006.MP4")), 31);
        b->setSelected(true);
        b->setGeometry(243, 5, 228, b->heightForWidth(228));
        auto *c = new ClipCard(&host);
        c->setClip(planned(bare, QStringLiteral("/n/DJI_0007.MP4")), 32);
        c->setGeometry(481, 5, 228, c->heightForWidth(228));
        auto *pile = new PileCard(&host);
        pile->setPile({withCover, planned(dlogInfo())}, QStringLiteral("30p"), std::nullopt, QStringLiteral("2 clips"),
                      Glass::accent().in(scheme), false);
        pile->setGeometry(5, 260, 260, pile->heightForWidth(260));
        auto *pile2 = new PileCard(&host);
        pile2->setPile({planned(slow)}, QStringLiteral("Slow Motion"), QStringLiteral("120 → 30p"),
                       QStringLiteral("1 clip"), Glass::green().foreground.in(scheme), false);
        pile2->setGeometry(280, 260, 260, pile2->heightForWidth(260));
        host.show();
        enter(a, QPoint(10, 10));
        ASSERT_TRUE(QTest::qWaitFor([&] { return a->cover() && pile->cover(); }, 15000));
        QTest::qWait(350); // entrances and the hover look settle
        EXPECT_FALSE(cardtest::shoot(&host, QStringLiteral("cards-") + tag).isNull());
        leave(a);
    }
}

int main(int argc, char **argv)
{
    cardtest::usePrivateHome();
    QApplication app(argc, argv);
    Language::apply(QStringLiteral("en"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
