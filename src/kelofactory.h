#ifndef KELOFACTORY_H
#define KELOFACTORY_H

class KeloBoardView;
class KeloItem;

// The one place where blobs are made. A singleton created on first use and kept until the
// process ends; it can be neither built nor copied from outside.
class KeloFactory
{
public:
    static KeloFactory *instance();

    // A new blob of random colour with its image, unplaced: at (0, 0) and in no scene. The
    // caller owns it until it is added to a scene.
    KeloItem *createKelo(KeloBoardView *view);

private:
    KeloFactory() = default;
    KeloFactory(const KeloFactory &) = delete;
    KeloFactory &operator=(const KeloFactory &) = delete;

    static KeloFactory *m_instance;
};

#endif
