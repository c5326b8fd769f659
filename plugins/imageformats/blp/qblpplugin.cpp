// The plugin object Qt loads from imageformats/: format key "blp", MIME type image/x-blp.
#include <QImageIOPlugin>

#include "qblphandler.hpp"

class QBlpPlugin : public QImageIOPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "blp.json")

 public:
  Capabilities capabilities(QIODevice* device, const QByteArray& format) const override {
    if (format == "blp") return Capabilities(CanRead | CanWrite);
    if (!format.isEmpty() || device == nullptr || !device->isOpen()) return {};
    Capabilities caps;
    if (device->isReadable() && QBlpHandler::canRead(device)) caps |= CanRead;
    if (device->isWritable()) caps |= CanWrite;
    return caps;
  }

  QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override {
    auto* handler = new QBlpHandler;
    handler->setDevice(device);
    handler->setFormat(format.isEmpty() ? QByteArray("blp") : format);
    return handler;
  }
};

#include "qblpplugin.moc"
