# The three tube parameter editors: one component parameterised by TubeClass.
target_sources(anodix_gui PRIVATE
)
