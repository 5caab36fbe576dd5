ModName=lagoon
ModFullName=Lagoon: a scripting sample
ModAuthor=The Kaz engine team
ModWebSite=
ModLogo=
ModVersion=0.1.0
ModPackages=lagoon;gallery;gallery_built
ClassName=Lagoon.LagoonApplication
