#include "search/ui/PreviewPanel.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace trevalo {

namespace {

enum Page { ImagePage, TextPage, OtherPage };

} // namespace

PreviewPanel::PreviewPanel(QWidget* parent)
    : QWidget(parent, Qt::Tool), m_pages(new QStackedWidget), m_image(new QLabel), m_text(new QPlainTextEdit),
      m_icon(new QLabel), m_name(new QLabel), m_info(new QLabel), m_position(new QLabel),
      m_previous(new QPushButton(tr("◀"))), m_next(new QPushButton(tr("▶")))
{
    setWindowTitle(tr("Preview"));
    resize(560, 480);
    m_image->setAlignment(Qt::AlignCenter);
    m_image->setMinimumSize(1, 1);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* other = new QWidget;
    auto* otherLayout = new QVBoxLayout(other);
    m_icon->setAlignment(Qt::AlignCenter);
    m_name->setAlignment(Qt::AlignCenter);
    m_name->setTextFormat(Qt::PlainText);
    m_info->setAlignment(Qt::AlignCenter);
    m_info->setTextFormat(Qt::PlainText);
    QFont bold = m_name->font();
    bold.setBold(true);
    m_name->setFont(bold);
    otherLayout->addStretch();
    otherLayout->addWidget(m_icon);
    otherLayout->addWidget(m_name);
    otherLayout->addWidget(m_info);
    otherLayout->addStretch();

    m_pages->insertWidget(ImagePage, m_image);
    m_pages->insertWidget(TextPage, m_text);
    m_pages->insertWidget(OtherPage, other);

    auto* steps = new QHBoxLayout;
    steps->addWidget(m_previous);
    steps->addStretch();
    steps->addWidget(m_position);
    steps->addStretch();
    steps->addWidget(m_next);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(steps);

    connect(m_previous, &QPushButton::clicked, this, [this] { showItem(m_index - 1); });
    connect(m_next, &QPushButton::clicked, this, [this] { showItem(m_index + 1); });
}

void PreviewPanel::setItems(QList<PreviewItem> items)
{
    m_items = std::move(items);
    showItem(0);
}

void PreviewPanel::showItem(int index)
{
    if (m_items.isEmpty())
        return;
    m_index = qBound(0, index, int(m_items.size()) - 1);
    const PreviewItem& item = m_items[m_index];
    setWindowTitle(item.name);
    m_position->setText(tr("%1 of %2").arg(m_index + 1).arg(m_items.size()));
    m_previous->setEnabled(m_index > 0);
    m_next->setEnabled(m_index + 1 < m_items.size());
    switch (item.kind) {
    case PreviewItem::Kind::Image:
        m_pages->setCurrentIndex(ImagePage);
        drawImage();
        return;
    case PreviewItem::Kind::Text:
        m_pages->setCurrentIndex(TextPage);
        m_text->setPlainText(item.text);
        return;
    case PreviewItem::Kind::Other:
    case PreviewItem::Kind::Missing:
        break;
    }
    m_pages->setCurrentIndex(OtherPage);
    m_icon->setPixmap(QFileIconProvider().icon(QFileInfo(item.hostPath)).pixmap(128, 128));
    m_name->setText(item.name);
    m_info->setText(item.kind == PreviewItem::Kind::Missing ? tr("This item is no longer there.")
                                                            : item.info);
}

void PreviewPanel::drawImage()
{
    if (m_items.isEmpty() || m_items[m_index].kind != PreviewItem::Kind::Image)
        return;
    QImageReader reader(m_items[m_index].hostPath);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        m_image->setText(m_items[m_index].name);
        return;
    }
    const QSize room = m_image->size().boundedTo(image.size());
    m_image->setPixmap(QPixmap::fromImage(image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void PreviewPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    drawImage();
}

void PreviewPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->text() == QLatin1String(" ")) {
        emit togglePreviewPanel();
        return;
    }
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        showItem(m_index + (event->key() == Qt::Key_Left ? -1 : 1));
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace trevalo
