#pragma once

#include <QObject>

namespace morvanex::qt {

class ImageButtonTest : public QObject
{
    Q_OBJECT

private slots:
    void idleButtonHasFlatFaceWithoutEdge();
    void hoverRaisesEdgeUntilLeaveFocusLossOrDeactivation();
    void pressSinksEdgeAndShiftsImageAndCaption();
    void bitmapSitsLeftCentredWithWhiteSeeThrough();
    void captionIsCentredBesideImageOrInWholeButton();
    void iconIsDrawnAtNaturalSize();
    void alignmentsPutImageAndCaptionWhereTheLookSays();
    void doubleClickGivesTwoClicks();
    void draggingInWithLeftButtonHeldDoesNotLight();
    void paletteChangeChangesFaceColour();
    void disabledButtonIsEmbossedAndUnlit();
    void setterResults();
    void defaultButtonTakesEnterInDialog();
};

} // namespace morvanex::qt
