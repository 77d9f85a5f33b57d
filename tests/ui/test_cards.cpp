// Clip cards, pile cards and chaos tiles driven with real pointer events: scrubbing with
// the shared scrub player, clicks with their modifiers, the context menu, grading
// choices, the entrance, the texts and colours, and the tile's fallback to a still.

#include "helpers/TestHelpers.h"

#include "kit/CardIcon.h"
#include "ui/piles/CardReveal.h"
#include "ui/piles/CardText.h"
#include "ui/intro/ChaosTile.h"
#include "ui/piles/ClipCard.h"
#include "ClipFixture.h"
#include "ui/piles/PileCard.h"
#include "ui/piles/PileList.h"

#include "preview/CoverLoader.h"
#include "preview/LUTEngine.h"
#include "preview/PreviewPlayer.h"
#include "preview/TilePlayer.h"

#include <QMenu>
#include <QScrollBar>

using namespace vidorra;
using namespace vidorra::uitest;

namespace {

QStringList menuTexts(QMenu *menu)
{
    QStringList out;
    for (QAction *a : menu->actions())
        if (!a->isSeparator())
            out << a->text();
    return out;
}

void trigger(QMenu *menu, const QString &text)
{
    for (QAction *a : menu->actions())
        if (a->text() == text)
            return a->trigger();
    ADD_FAILURE() << "no menu entry " << text.toStdString();
}

void enter(QWidget *w, QPoint at)
{
    QEnterEvent e(at, w->mapToGlobal(at), w->mapToGlobal(at));
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

TEST(CardText, TimesDetailsAndRanges)
{
    const struct {
        double duration;
        std::optional<double> scrub;
        const char *expected;
    } times[] = {{125.6, std::nullopt, "2:06"}, {125.6, 0.5, "1:02"}, {125.6, 1.7, "2:05"},
                 {std::nan(""), std::nullopt, "0:00"}};
    for (const auto &row : times)
        EXPECT_EQ(cardTimeText(row.duration, row.scrub), QLatin1String(row.expected)) << row.expected;

    EXPECT_EQ(cardDetails(dlogInfo()).parts, QStringLiteral("4K 30 fps · ISO 400"));
    ClipInfo slow = dlogInfo(QString(), 0);
    slow.captureFPS = 120;
    EXPECT_EQ(cardDetails(slow).parts, QStringLiteral("4K 120 fps"));
    ClipInfo bare;
    bare.recognized = false;
    EXPECT_EQ(cardDetails(bare).parts, QStringLiteral("No Data"));
    bare.kelvin = QStringLiteral("AUTO");
    EXPECT_TRUE(cardDetails(bare).parts.isEmpty());   // the white balance alone is something
    EXPECT_FALSE(rangeText({}));
}

TEST(CardText, PileLinesSkipMissingValues)
{
    const QList<Planned> pile = {planned(dlogInfo(QStringLiteral("5600"), 100, 60.2), "/a.mp4", 1'000'000),
                                 planned(dlogInfo(QStringLiteral("AUTO"), 400, 30.0), "/b.mp4", 2'000'000),
                                 planned(dlogInfo(QStringLiteral("4300"), 200, 5.0), "/c.mp4", 500'000)};
    EXPECT_EQ(pileSettingsLine(pile), QStringLiteral("ISO 100–400 · 4300–5600K"));
    EXPECT_TRUE(pileTotalsLine(pile).startsWith(QStringLiteral("3.5"))) << pileTotalsLine(pile).toStdString();
    EXPECT_TRUE(pileTotalsLine(pile).endsWith(QStringLiteral(" · 1:35"))) << pileTotalsLine(pile).toStdString();
    EXPECT_EQ(pileSettingsLine({planned(dlogInfo(QString(), 0)), planned(dlogInfo(QStringLiteral("5.5"), 0))}), QString());
}

TEST(ClipCard, ScrubbingShowsTheFrameUnderThePointerUntilThePointerLeavesThePicture)
{
    const Planned item = scannedClip(freshFolder(), QStringLiteral("DJI_0001.MP4"), {.duration = 4.0, .realVideo = true});
    ASSERT_FALSE(item.url.isEmpty());
    ShownCard shown(item);
    ClipCard *card = shown.card;
    enter(card, QPoint(10, 10));
    QSignalSpy seeks(PreviewPlayer::source(), &ScrubSource::seekIssued);
    QTest::mouseMove(card, QPoint(240, 90));   // three quarters across: 3.0 s
    EXPECT_EQ(PreviewPlayer::owner(), item.id);
    ASSERT_TRUE(waitUntil([&] {
        return !seeks.isEmpty() && !PreviewPlayer::isSeeking() && !PreviewPlayer::pendingTarget();
    }, 15000));
    EXPECT_DOUBLE_EQ(seeks.last().at(0).toDouble(), 3.0);
    const QImage frame = PreviewPlayer::source()->frame().convertToFormat(QImage::Format_RGBA8888);
    EXPECT_NEAR(fixture::frameNumberOf(frame.constBits(), frame.width(), frame.height(), frame.bytesPerLine()), 90, 2);
    EXPECT_EQ(card->timeText(), QStringLiteral("0:03"));

    // Below the picture (over the texts) the scrub ends, and the duration is back.
    QTest::mouseMove(card, QPoint(100, 200));
    EXPECT_FALSE(PreviewPlayer::owner());
    EXPECT_EQ(card->timeText(), QStringLiteral("0:04"));
    // Leaving the card, or hiding it (it scrolled away), ends the scrub too.
    QTest::mouseMove(card, QPoint(160, 90));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(card, &leave);
    EXPECT_FALSE(PreviewPlayer::owner());
    QTest::mouseMove(card, QPoint(160, 90));
    card->hide();
    EXPECT_FALSE(PreviewPlayer::owner());
    EXPECT_FALSE(card->scrubPosition());
}

TEST(ClipCard, ClicksCarryTheirModifiersAndADoubleClickAlsoPlays)
{
    const Planned item = planned(dlogInfo());
    ShownCard shown(item);
    QSignalSpy clicks(shown.card, &ClipCard::clicked);
    QSignalSpy plays(shown.card, &ClipCard::playRequested);

    QTest::mouseClick(shown.card, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 200));   // on the texts too
    ASSERT_EQ(clicks.size(), 1);
    EXPECT_EQ(clicks.at(0).at(1).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
    EXPECT_EQ(plays.size(), 0);

    clicks.clear();
    QTest::mouseClick(shown.card, Qt::LeftButton, {}, QPoint(100, 50));
    QTest::mouseDClick(shown.card, Qt::LeftButton, {}, QPoint(100, 50));
    EXPECT_EQ(clicks.size(), 1);   // the first click of the pair selects, once
    EXPECT_EQ(plays.size(), 1);

    // A drag across the picture scrubs and is not a click.
    clicks.clear();
    QTest::mousePress(shown.card, Qt::LeftButton, {}, QPoint(20, 50));
    QTest::mouseMove(shown.card, QPoint(60, 50));
    QTest::mouseRelease(shown.card, Qt::LeftButton, {}, QPoint(60, 50));
    EXPECT_EQ(clicks.size(), 0);
}

TEST(ClipCard, ContextMenuOffersToDeleteTheWholeSelection)
{
    const Planned item = planned(dlogInfo());
    ShownCard shown(item);
    ClipCard *card = shown.card;
    QSignalSpy trash(card, &ClipCard::trashRequested);
    QStringList revealed;
    setRevealHandler([&](const QStringList &paths) { revealed = paths; });

    card->setSelected(true);
    card->setSelectionCount(3);
    std::unique_ptr<QMenu> menu(card->makeContextMenu());
    EXPECT_EQ(menuTexts(menu.get()),
              (QStringList{QStringLiteral("Play"), QStringLiteral("Show in Folder"), QStringLiteral("Delete 3 Clips")}));
    trigger(menu.get(), QStringLiteral("Delete 3 Clips"));
    trigger(menu.get(), QStringLiteral("Show in Folder"));
    ASSERT_EQ(trash.size(), 1);
    EXPECT_EQ(trash.at(0).at(0).value<Planned>().id, item.id);
    EXPECT_EQ(revealed, QStringList{item.url});

    // An unselected card speaks for itself only.
    card->setSelected(false);
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
    EXPECT_FALSE(card->colorIcon()->isVisible());
    enter(card, QPoint(10, 200));
    EXPECT_TRUE(card->colorIcon()->isVisible());

    QTest::mouseClick(card->colorIcon(), Qt::LeftButton);
    EXPECT_EQ(card->lutOverride(), true);
    EXPECT_EQ(card->cube(), LUTEngine::dLog());
    card->setGlobalLUT(true);   // the window's "Color" tool wins over a card's choice
    EXPECT_FALSE(card->lutOverride());
    EXPECT_TRUE(card->lutOn());
    QTest::mouseClick(card->colorIcon(), Qt::LeftButton);
    EXPECT_EQ(card->lutOverride(), false);
    card->setGlobalLUT(false);
    EXPECT_FALSE(card->lutOn());
    QSignalSpy plays(card, &ClipCard::playRequested);
    QTest::mouseClick(card->playIcon(), Qt::LeftButton);
    EXPECT_EQ(plays.size(), 1);

    // A clip that takes no grading has no colour icon.
    ClipInfo normal = dlogInfo();
    normal.colorCode = 0, normal.bitDepth = 8, normal.gammaText = QStringLiteral("Rec.709");
    card->setClip(planned(normal, QStringLiteral("/nonexistent/DJI_0002.MP4")), 31);
    EXPECT_FALSE(card->colorIcon()->isVisible());
    EXPECT_EQ(card->toolTip(), QStringLiteral("DJI_0002.MP4"));
}

TEST(ClipCard, PictureArrivesForAClipWithACoverAndIsGradedOnRequest)
{
    CoverLoader::clearCache();
    const Planned item = scannedClip(freshFolder(), QStringLiteral("DJI_0003.MP4"));
    ASSERT_FALSE(item.url.isEmpty());
    QWidget host;
    auto *card = new ClipCard(&host);
    card->setClip(item, 40);
    card->resize(228, card->heightForWidth(228));
    EXPECT_FALSE(card->cover());   // nothing is loaded before the card is on screen
    host.show();
    ASSERT_TRUE(waitUntil([&] { return card->cover().has_value(); }, 15000));
    const QImage plain = *card->cover();

    card->setGlobalLUT(true);
    ASSERT_TRUE(waitUntil([&] { return card->cover() && *card->cover() != plain; }, 15000));
    EXPECT_EQ(card->cover()->size(), plain.size());

    // Re-bound to a clip without a picture, the placeholder shows.
    card->setClip(planned(dlogInfo(), QStringLiteral("/nonexistent/x.mp4")), 41);
    EXPECT_FALSE(card->cover());
}

TEST(PileCard, LinesAndActions)
{
    const QList<Planned> pile = {planned(dlogInfo(QStringLiteral("5600"), 100, 61.0), "/n/a.mp4", 1'500'000),
                                 planned(dlogInfo(QStringLiteral("3200"), 800, 0.0), "/n/b.mp4", 0)};
    QWidget host;
    auto *card = new PileCard(&host);
    card->setPile(pile, QStringLiteral("30p"), std::nullopt, QStringLiteral("2 clips"), QColor(228, 87, 13), false);
    card->resize(260, card->heightForWidth(260));
    host.show();

    QSignalSpy open(card, &PileCard::activated);
    QTest::mouseClick(card, Qt::LeftButton, {}, card->rect().center());
    EXPECT_EQ(open.size(), 1);

    QSignalSpy reveal(card, &PileCard::revealRequested);
    QSignalSpy del(card, &PileCard::deleteRequested);
    std::unique_ptr<QMenu> menu(card->makeContextMenu());
    EXPECT_EQ(menuTexts(menu.get()), (QStringList{QStringLiteral("Show in Folder"), QStringLiteral("Delete")}));
    trigger(menu.get(), QStringLiteral("Show in Folder"));
    trigger(menu.get(), QStringLiteral("Delete"));
    EXPECT_EQ(reveal.size(), 1);
    EXPECT_EQ(del.size(), 1);
}

TEST(PileList, OnlyPilesInViewAskForTheirPictures)
{
    LibraryGroup group{QStringLiteral("D-Log"), {}};
    for (int i = 0; i < 40; ++i) {
        const QString name = QStringLiteral("/nonexistent/p%1/a.mp4").arg(i);
        group.sections.append({QStringLiteral("D-Log/%1").arg(i), {planned(dlogInfo(), name)}});
    }
    PileList list;
    list.resize(700, 400);
    list.setGroups({group}, false);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    const auto asked = [&] {
        QList<PileCard *> out;
        for (PileCard *card : list.cards())
            if (card->pictureAsked())
                out << card;
        return out;
    };
    const QRect view(QPoint(0, 0), list.viewport()->size());
    ASSERT_FALSE(asked().isEmpty());
    EXPECT_LT(asked().size(), 40);
    for (PileCard *card : asked())
        EXPECT_TRUE(view.intersects(QRect(card->mapTo(list.viewport(), QPoint(0, 0)), card->size())));
    // Scrolled to the end, the last piles ask too.
    list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
    EXPECT_TRUE(list.cards().last()->pictureAsked());
}

TEST(ChaosTile, PlaysWhileShownAndFallsBackToItsStillWhenSixteenPlay)
{
    const Planned item = scannedClip(freshFolder(), QStringLiteral("DJI_0004.MP4"), {.realVideo = true});
    ASSERT_FALSE(item.url.isEmpty());
    const int before = TilePlayer::active();
    auto shownTile = [&](QWidget &host) {
        auto *tile = new ChaosTile(&host);
        tile->setClip(item);
        tile->resize(160, 90);
        host.show();
        return tile;
    };
    {
        QWidget host;
        ChaosTile *tile = shownTile(host);
        ASSERT_NE(tile->tile(), nullptr);
        tile->hide();
        EXPECT_EQ(TilePlayer::active(), before);
        tile->show();
        EXPECT_EQ(TilePlayer::active(), before + 1);
    }
    EXPECT_EQ(TilePlayer::active(), before);   // destroying the tile gives its slot back

    std::vector<std::unique_ptr<TilePlayer>> others;
    while (TilePlayer::active() < TilePlayer::limit) {
        others.push_back(TilePlayer::create(item.url, item.info.duration));
        ASSERT_NE(others.back(), nullptr);
    }
    QWidget host;
    ChaosTile *tile = shownTile(host);
    EXPECT_EQ(tile->tile(), nullptr);
    ASSERT_TRUE(waitUntil([&] { return tile->cover().has_value(); }, 15000));
    for (auto &p : others)
        p->stop();

    // A clip of no length never gets a player.
    Planned zero = item;
    zero.id = QUuid::createUuid();
    zero.info.duration = 0;
    tile->setClip(zero);
    EXPECT_EQ(tile->tile(), nullptr);
}
