#include "widgets/boxparts.h"

#include "widgets/cancelbtn.h"
#include "widgets/edit.h"
#include "widgets/kitfont.h"
#include "widgets/okbtn.h"

#include <QFont>

CancelOkPair addCancelOk(QWidget* box, int width, int height)
{
    const int y = (height + 240) / 2;
    CancelOkPair pair{new cancelbtn(box), new okbtn(box)};
    pair.cancel->setGeometry((width - 30) / 2 - 135, y, 135, 60);
    pair.ok->setGeometry((width + 30) / 2, y, 135, 60);
    return pair;
}

Edit* addPasswordEntry(QWidget* box, int flags)
{
    auto entry = new Edit(flags | Edit::Reserved4, box, 1);
    entry->setPhysicalKeyTyping(true);
    entry->setGeometry(100, 230, 550, 60);
    entry->setFont(QFont(QLatin1String(kKitFontFamily), 18));
    entry->setEchoMode(QLineEdit::Password);
    return entry;
}
