#include "ui/zoneaudio/zone_audio_view.h"

namespace zem {

ZoneAudioView::ZoneAudioView(Editor& editor, Prompts& prompts, QWidget* parent)
    : QWidget(parent), editor_(editor), prompts_(prompts) {
  setObjectName("TabSheet5");
}

void ZoneAudioView::SyncFromEditor() {}

}  // namespace zem
