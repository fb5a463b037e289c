#include "PlayerFactory.h"

#include "LibVlcPlayer.h"

namespace {
PlayerFactory::Factory &factory()
{
    static PlayerFactory::Factory fn;
    return fn;
}
} // namespace

PlayerControl *PlayerFactory::create(QWidget *parent)
{
    if (factory())
        return factory()(parent);
    return new LibVlcPlayer(parent);
}

void PlayerFactory::setFactoryForTesting(Factory fn)
{
    factory() = std::move(fn);
}
